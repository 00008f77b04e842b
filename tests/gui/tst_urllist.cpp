// The batch list: its editing commands, drops, the popup menu, and saving and
// loading list files through the real list widget.

#include "fakeservices.h"
#include "filebytes.h"
#include "gui/app/commandrouter.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/urllist/urllistcommands.h"
#include "gui/urllist/urllistwidget.h"
#include "gui/widgets/imagebutton.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTimer>

namespace {

QAction* action(QWidget* window, const char* name)
{
    return window->findChild<QAction*>(QString::fromLatin1(name));
}

// Files dropped on the list from the desktop, in this order.
void dropFiles(UrlListWidget* list, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint position = list->viewport()->rect().center();
    QDragEnterEvent enter(position, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(position, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
}

} // namespace

class TestUrlList : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void appendTakesTheCurrentFormat();
    void removeTakesOnlyTheSelectedRow();
    void everyClearEntryEmptiesTheList();
    void dropTakesHtmlFilesUntilTheFirstOther();
    void dropTestLooksOnlyAtTheNameEnd_data();
    void dropTestLooksOnlyAtTheNameEnd();
    void dropOfLinksAddsNothing();
    void refreshShowsTheCurrentFormatInEveryRow();
    void rightButtonOpensThePopupWithoutSelecting();
    void addHtmlFilesAppendsInPickedOrder();
    void saveAndLoadRoundTrip();
    void savingAnEmptyListWritesNothing();
    void cancelledDialogsChangeNothing();
    void dialogsOpenWhereTheirKindLastEnded();
    void failuresAreReported();
    void megabyteLineIsKeptWholeAndShownShort();

private:
    std::unique_ptr<ShellFixture> m_fixture;
    MainWindow* m_window = nullptr;
    UrlListWidget* m_list = nullptr;
};

void TestUrlList::init()
{
    m_fixture = std::make_unique<ShellFixture>();
    QVERIFY(m_fixture->shell->start());
    m_window = m_fixture->shell->mainWindow();
    m_list = m_window->findChild<UrlListWidget*>(QStringLiteral("lvwAudioTracks"));
    QVERIFY(m_list);
}

void TestUrlList::cleanup()
{
    m_fixture.reset();
    for (QWidget* widget : QApplication::topLevelWidgets())
        widget->close();
}

void TestUrlList::appendTakesTheCurrentFormat()
{
    UrlListCommands* commands = m_fixture->shell->router()->listCommands();
    // No settings file yet: the format cell stays empty.
    commands->appendAddress(QStringLiteral("https://a.example/"));
    m_fixture->setOutputFormat(QStringLiteral("PNG"));
    // Same address twice, blanks kept: the list takes text as it comes.
    commands->appendAddresses(
        { QStringLiteral(" https://a.example/ "), QStringLiteral("https://a.example/") });
    QCOMPARE(m_list->rowCount(), 3);
    QCOMPARE(m_list->addresses(),
        (QStringList { "https://a.example/", " https://a.example/ ", "https://a.example/" }));
    QCOMPARE(m_list->format(0), QString());
    QCOMPARE(m_list->format(1), QStringLiteral("PNG"));
    QCOMPARE(m_list->format(2), QStringLiteral("PNG"));
    QCOMPARE(m_list->status(2), QString());
}

void TestUrlList::removeTakesOnlyTheSelectedRow()
{
    for (const char* address : { "one", "two", "three" })
        m_list->appendRow(QString::fromLatin1(address), QString());
    // Without a selection nothing goes.
    action(m_window, "mnuRemoveSelected")->trigger();
    QCOMPARE(m_list->rowCount(), 3);

    m_list->topLevelItem(1)->setSelected(true);
    action(m_window, "mnuRemoveSelected")->trigger();
    QCOMPARE(m_list->addresses(), (QStringList { "one", "three" }));
    m_list->topLevelItem(0)->setSelected(true);
    action(m_window, "popRemoveSelected")->trigger();
    QCOMPARE(m_list->addresses(), (QStringList { "three" }));
}

void TestUrlList::everyClearEntryEmptiesTheList()
{
    for (const char* name : { "mnuClearAll", "popClearAll", "mnuNewProject" }) {
        m_list->appendRow(QStringLiteral("a"), QString());
        m_list->appendRow(QStringLiteral("b"), QString());
        action(m_window, name)->trigger();
        QVERIFY2(m_list->rowCount() == 0, name);
    }
    // Clearing an empty list is harmless and silent.
    action(m_window, "mnuClearAll")->trigger();
    QVERIFY(m_fixture->messages.messages.isEmpty());
}

void TestUrlList::dropTakesHtmlFilesUntilTheFirstOther()
{
    m_fixture->setOutputFormat(QStringLiteral("JPG"));
    dropFiles(m_list,
        { QUrl::fromLocalFile(QStringLiteral("/web/a.htm")),
            QUrl::fromLocalFile(QStringLiteral("/web/b.txt")),
            QUrl::fromLocalFile(QStringLiteral("/web/c.html")) });
    QCOMPARE(m_list->addresses(), (QStringList { "/web/a.htm" }));
    // A dropped row waits for the next refresh for its format.
    QCOMPARE(m_list->format(0), QString());
    QTRY_COMPARE(m_fixture->messages.messages.size(), 1);
    QVERIFY(!m_fixture->messages.messages.first().critical);
    QCOMPARE(
        m_fixture->messages.messages.first().text, QStringLiteral("Only HTML files are allowed!"));
}

void TestUrlList::dropTestLooksOnlyAtTheNameEnd_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("taken");
    QTest::newRow("htm") << "/w/index.htm" << true;
    QTest::newRow("html upper case") << "/w/INDEX.HTML" << true;
    QTest::newRow("xhtml") << "/w/page.xhtml" << true;
    QTest::newRow("no dot") << "/w/indexhtm" << true;
    QTest::newRow("html5") << "/w/page.html5" << false;
    QTest::newRow("text") << "/w/notes.txt" << false;
    QTest::newRow("htm in folder only") << "/w/site.htm/readme" << false;
}

void TestUrlList::dropTestLooksOnlyAtTheNameEnd()
{
    QFETCH(QString, path);
    QFETCH(bool, taken);
    QCOMPARE(UrlListWidget::isHtmlFileName(path), taken);
    dropFiles(m_list, { QUrl::fromLocalFile(path) });
    QCOMPARE(m_list->rowCount(), taken ? 1 : 0);
    // The refusal is shown once the drop has ended, from the event loop; a
    // call posted now runs after it.
    bool settled = false;
    QTimer::singleShot(0, [&settled] { settled = true; });
    QTRY_VERIFY(settled);
    QCOMPARE(m_fixture->messages.messages.size(), taken ? 0 : 1);
}

void TestUrlList::dropOfLinksAddsNothing()
{
    dropFiles(m_list, { QUrl(QStringLiteral("https://www.example/page.html")) });
    QCOMPARE(m_list->rowCount(), 0);
    QVERIFY(m_fixture->messages.messages.isEmpty());
}

void TestUrlList::refreshShowsTheCurrentFormatInEveryRow()
{
    m_fixture->setOutputFormat(QStringLiteral("GIF"));
    m_fixture->shell->router()->listCommands()->appendAddress(QStringLiteral("https://a.example/"));
    dropFiles(m_list, { QUrl::fromLocalFile(QStringLiteral("/web/dropped.html")) });
    m_list->setStatus(0, QStringLiteral("OK"));
    m_fixture->setOutputFormat(QStringLiteral("PDF"));
    m_fixture->shell->router()->refreshOutputFormats();
    QCOMPARE(m_list->format(0), QStringLiteral("PDF"));
    QCOMPARE(m_list->format(1), QStringLiteral("PDF"));
    // The status column is the conversion's; a refresh leaves it alone.
    QCOMPARE(m_list->status(0), QStringLiteral("OK"));
}

void TestUrlList::rightButtonOpensThePopupWithoutSelecting()
{
    m_list->appendRow(QStringLiteral("a"), QString());
    m_list->appendRow(QStringLiteral("b"), QString());
    m_list->topLevelItem(0)->setSelected(true);
    auto* popup = m_window->findChild<QMenu*>(QStringLiteral("popmenu"));
    QVERIFY(!popup->isVisible());
    const QPoint onRowTwo = m_list->visualItemRect(m_list->topLevelItem(1)).center();
    QTest::mousePress(m_list->viewport(), Qt::RightButton, {}, onRowTwo);
    QVERIFY(popup->isVisible());
    QCOMPARE(m_list->selectedRow(), 0);
    popup->close();
    // Other buttons open nothing.
    QTest::mousePress(m_list->viewport(), Qt::MiddleButton, {}, onRowTwo);
    QVERIFY(!popup->isVisible());
}

void TestUrlList::addHtmlFilesAppendsInPickedOrder()
{
    m_fixture->setOutputFormat(QStringLiteral("TXT"));
    m_fixture->dialogs.openAnswers = { QStringLiteral("/index.htm"), QStringLiteral("/web/c.html"),
        QStringLiteral("/web/a.htm") };
    action(m_window, "mnuAddHtmlFiles")->trigger();
    QCOMPARE(m_list->addresses(), m_fixture->dialogs.openAnswers);
    QCOMPARE(m_list->format(2), QStringLiteral("TXT"));
    QVERIFY(m_fixture->dialogs.filters.last().contains(QLatin1String("*.htm *.html")));

    // The popup and the toolbar lead to the same routine.
    action(m_window, "popAddHtmlFiles")->trigger();
    QTest::mouseClick(m_window->findChild<ImageButton*>(QStringLiteral("Image2")), Qt::LeftButton);
    QCOMPARE(m_list->rowCount(), 9);
}

void TestUrlList::saveAndLoadRoundTrip()
{
    m_fixture->setOutputFormat(QStringLiteral("JPG"));
    UrlListCommands* commands = m_fixture->shell->router()->listCommands();
    commands->appendAddresses(
        { QStringLiteral("https://a.example/x?y=1"), QStringLiteral("/home/me/My Pages/b.html") });
    m_list->setStatus(0, QStringLiteral("OK"));
    const QString file = m_fixture->path(QStringLiteral("project.ulf"));
    m_fixture->dialogs.saveAnswer = file;
    action(m_window, "mnuSaveProject")->trigger();
    QCOMPARE(m_fixture->dialogs.titles.last(), QStringLiteral("Save converting project file"));
    QCOMPARE(m_fixture->dialogs.filters.last(), QStringLiteral("Url List Files(*.ulf)"));
    QCOMPARE(m_fixture->messages.texts(), QStringList { "Url List File is saved!" });
    QVERIFY(!m_fixture->messages.messages.last().critical);
    QCOMPARE(FileBytes::read(file),
        QByteArray("https://a.example/x?y=1\tJPG\r\n/home/me/My Pages/b.html\tJPG\r\n"));

    // Loading replaces the rows; formats are today's setting, statuses empty.
    m_list->clear();
    m_list->appendRow(QStringLiteral("to be replaced"), QString());
    m_fixture->setOutputFormat(QStringLiteral("PNG"));
    m_fixture->dialogs.openAnswer = file;
    action(m_window, "mnuOpenProject")->trigger();
    QCOMPARE(m_fixture->dialogs.titles.last(), QStringLiteral("Select a converting project file"));
    QCOMPARE(m_list->addresses(),
        (QStringList { "https://a.example/x?y=1", "/home/me/My Pages/b.html" }));
    QCOMPARE(m_list->format(0), QStringLiteral("PNG"));
    QCOMPARE(m_list->format(1), QStringLiteral("PNG"));
    QCOMPARE(m_list->status(0), QString());

    // The Edit menu, the popup and the toolbar load and save the same way.
    m_fixture->writeFile(QStringLiteral("other.ulf"), "only-address\r\n");
    m_fixture->dialogs.openAnswer = m_fixture->path(QStringLiteral("other.ulf"));
    for (const char* name : { "mnuLoadList", "popLoadList" }) {
        m_list->clear();
        action(m_window, name)->trigger();
        QCOMPARE(m_list->addresses(), QStringList { "only-address" });
    }
    m_list->clear();
    QTest::mouseClick(m_window->findChild<ImageButton*>(QStringLiteral("Image1")), Qt::LeftButton);
    QCOMPARE(m_list->addresses(), QStringList { "only-address" });
    action(m_window, "mnuSaveList")->trigger();
    QTest::mouseClick(m_window->findChild<ImageButton*>(QStringLiteral("Image4")), Qt::LeftButton);
    QCOMPARE(m_fixture->messages.messages.size(), 3);
    QCOMPARE(FileBytes::read(file), QByteArray("only-address\tPNG\r\n"));
}

void TestUrlList::savingAnEmptyListWritesNothing()
{
    const QString file = m_fixture->path(QStringLiteral("empty.ulf"));
    m_fixture->writeFile(QStringLiteral("empty.ulf"), "old content\r\n");
    m_fixture->dialogs.saveAnswer = file;
    action(m_window, "mnuSaveList")->trigger();
    QCOMPARE(m_fixture->messages.texts(), QStringList { "Url List File is saved!" });
    QCOMPARE(FileBytes::read(file), QByteArray());

    // Loading that empty file empties the list and keeps the window.
    m_list->appendRow(QStringLiteral("a"), QString());
    m_fixture->dialogs.openAnswer = file;
    action(m_window, "mnuLoadList")->trigger();
    QCOMPARE(m_list->rowCount(), 0);
    QVERIFY(m_window->isVisible());
}

void TestUrlList::cancelledDialogsChangeNothing()
{
    m_list->appendRow(QStringLiteral("stays"), QString());
    // Empty answers are cancels.
    action(m_window, "mnuSaveList")->trigger();
    action(m_window, "mnuLoadList")->trigger();
    action(m_window, "mnuAddHtmlFiles")->trigger();
    QCOMPARE(m_list->addresses(), QStringList { "stays" });
    QVERIFY(m_fixture->messages.messages.isEmpty());
}

void TestUrlList::dialogsOpenWhereTheirKindLastEnded()
{
    ScriptedFileDialogs& dialogs = m_fixture->dialogs;
    const QDir dir(m_fixture->folder.path());
    QVERIFY(dir.mkpath(QStringLiteral("lists")));
    QVERIFY(dir.mkpath(QStringLiteral("pages")));
    m_fixture->writeFile(QStringLiteral("lists/a.ulf"), "a\r\n");

    // Never the program's own folder: the user's home until a dialog ended elsewhere.
    action(m_window, "mnuLoadList")->trigger();
    QCOMPARE(dialogs.folders.last(), QDir::homePath());
    dialogs.openAnswer = dir.filePath(QStringLiteral("lists/a.ulf"));
    action(m_window, "mnuLoadList")->trigger();
    dialogs.openAnswer.clear();
    // Saving and loading share their folder; HTML files keep their own.
    action(m_window, "mnuSaveList")->trigger();
    QCOMPARE(dialogs.folders.last(), dir.filePath(QStringLiteral("lists")));
    action(m_window, "mnuAddHtmlFiles")->trigger();
    QCOMPARE(dialogs.folders.last(), QDir::homePath());
    dialogs.openAnswers = { dir.filePath(QStringLiteral("pages/b.htm")) };
    action(m_window, "mnuAddHtmlFiles")->trigger();
    dialogs.openAnswers.clear();
    action(m_window, "mnuAddHtmlFiles")->trigger();
    QCOMPARE(dialogs.folders.last(), dir.filePath(QStringLiteral("pages")));
    action(m_window, "mnuLoadList")->trigger();
    QCOMPARE(dialogs.folders.last(), dir.filePath(QStringLiteral("lists")));
}

void TestUrlList::failuresAreReported()
{
    m_list->appendRow(QStringLiteral("stays"), QString());
    m_fixture->dialogs.saveAnswer = m_fixture->path(QStringLiteral("no/such/folder/list.ulf"));
    action(m_window, "mnuSaveList")->trigger();
    QCOMPARE(m_fixture->messages.texts(), QStringList { "Save Url List File Error!" });
    QVERIFY(m_fixture->messages.messages.last().critical);

    // A file that cannot be read leaves the list as it was and says why.
    m_fixture->dialogs.openAnswer = m_fixture->path(QStringLiteral("missing.ulf"));
    action(m_window, "mnuLoadList")->trigger();
    QCOMPARE(m_list->addresses(), QStringList { "stays" });
    QCOMPARE(m_fixture->messages.messages.size(), 2);
    QVERIFY(m_fixture->messages.messages.last().critical);
    // Named once, with the reason.
    const QString text = m_fixture->messages.messages.last().text;
    QCOMPARE(text.count(QLatin1String("missing.ulf")), 1);
    QVERIFY2(text.contains(QLatin1String("No such file")), qPrintable(text));
}

void TestUrlList::megabyteLineIsKeptWholeAndShownShort()
{
    const QString address
        = QStringLiteral("https://big.example/") + QString(1 << 20, QLatin1Char('a'));
    m_fixture->writeFile(QStringLiteral("big.ulf"), address.toLatin1() + "\r\nsmall\r\n");
    m_fixture->dialogs.openAnswer = m_fixture->path(QStringLiteral("big.ulf"));
    action(m_window, "mnuLoadList")->trigger();
    QCOMPARE(m_list->addresses(), (QStringList { address, "small" }));
    // Drawn from a short text, so painting the list stays quick.
    const QString shown = m_list->topLevelItem(0)->text(UrlListWidget::AddressColumn);
    QCOMPARE(shown.size(), UrlListWidget::LongestShownAddress + 1);
    QVERIFY(address.startsWith(shown.chopped(1)));
    QCOMPARE(m_list->topLevelItem(1)->text(UrlListWidget::AddressColumn), QStringLiteral("small"));

    // Saved back whole.
    m_fixture->dialogs.saveAnswer = m_fixture->path(QStringLiteral("again.ulf"));
    action(m_window, "mnuSaveList")->trigger();
    QVERIFY(
        FileBytes::read(m_fixture->dialogs.saveAnswer) == address.toLatin1() + "\t\r\nsmall\t\r\n");
}

QTEST_MAIN(TestUrlList)
#include "tst_urllist.moc"
