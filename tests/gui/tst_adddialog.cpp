// The Add-URLs dialog: which lines become rows, and how it opens from the
// menus (modal) and from the toolbar (modeless, one at a time).

#include "fakeservices.h"
#include "gui/app/commandrouter.h"
#include "gui/desktop/trayicon.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/urllist/addurlsdialog.h"
#include "gui/urllist/urllistcommands.h"
#include "gui/urllist/urllistwidget.h"
#include "gui/widgets/imagebutton.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

namespace {

QAction* action(QWidget* window, const char* name)
{
    return window->findChild<QAction*>(QString::fromLatin1(name));
}

// Types into the open dialog and presses one of its buttons.
void answer(QWidget* dialog, const QString& text, const char* button)
{
    auto* edit = dialog->findChild<QPlainTextEdit*>(QStringLiteral("txtUrls"));
    QVERIFY(edit);
    QVERIFY(edit->toPlainText().isEmpty());
    edit->setPlainText(text);
    QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
}

} // namespace

class TestAddDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void linesBecomeAddresses_data();
    void linesBecomeAddresses();
    void dialogShowsItsPrompt();
    void tabMovesOnAndCtrlEnterAccepts();
    void menuEntriesOpenItModally_data();
    void menuEntriesOpenItModally();
    void cancelAddsNothing();
    void toolbarOpensOneModelessDialog();
    void minimisedDialogComesBack();

private:
    std::unique_ptr<ShellFixture> m_fixture;
    MainWindow* m_window = nullptr;
};

void TestAddDialog::init()
{
    m_fixture = std::make_unique<ShellFixture>();
    QVERIFY(m_fixture->shell->start());
    m_window = m_fixture->shell->mainWindow();
}

void TestAddDialog::cleanup()
{
    m_fixture.reset();
    for (QWidget* widget : QApplication::topLevelWidgets())
        widget->close();
}

void TestAddDialog::linesBecomeAddresses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("addresses");
    QTest::newRow("empty") << "" << QStringList {};
    QTest::newRow("one") << "https://a.example/" << QStringList { "https://a.example/" };
    // An empty line no longer swallows the addresses after it.
    QTest::newRow("gap") << "a\nb\n\nc" << QStringList { "a", "b", "c" };
    QTest::newRow("first line empty") << "\na" << QStringList { "a" };
    QTest::newRow("trailing line end") << "a\r\nb\r\n" << QStringList { "a", "b" };
    QTest::newRow("windows line ends") << "a\r\n\r\nb" << QStringList { "a", "b" };
    QTest::newRow("blanks kept") << "  a  \n\tb" << QStringList { "  a  ", "\tb" };
    QTest::newRow("only blanks line kept") << "a\n \nb" << QStringList { "a", " ", "b" };
    QTest::newRow("duplicates kept") << "a\na" << QStringList { "a", "a" };
}

void TestAddDialog::linesBecomeAddresses()
{
    QFETCH(QString, text);
    QFETCH(QStringList, addresses);
    QCOMPARE(AddUrlsDialog::SplitAddressLines(text), addresses);
}

void TestAddDialog::dialogShowsItsPrompt()
{
    AddUrlsDialog dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("Form3"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Add URL(S) to List"));
    const QString prompt = dialog.findChild<QLabel*>(QStringLiteral("lblPrompt"))->text();
    QVERIFY(prompt.startsWith(QLatin1String("Enter one Url per line in the text box below "
                                            "including the http:// prefix. Example:http")));
    QVERIFY(prompt.endsWith(QLatin1String(" or c:\\web\\index.htm")));
}

void TestAddDialog::tabMovesOnAndCtrlEnterAccepts()
{
    AddUrlsDialog dialog;
    QSignalSpy entered(&dialog, &AddUrlsDialog::addressesEntered);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* edit = dialog.findChild<QPlainTextEdit*>(QStringLiteral("txtUrls"));
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("https://a.example/"));
    QTest::keyClick(edit, Qt::Key_Tab);
    QCOMPARE(edit->toPlainText(), QStringLiteral("https://a.example/"));
    QVERIFY(!edit->hasFocus());

    // Enter is a line break; Ctrl+Enter, on the main or the keypad key, is OK.
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClicks(edit, QStringLiteral("https://b.example/"));
    QCOMPARE(entered.count(), 0);
    QTest::keyClick(edit, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
    QCOMPARE(entered.count(), 1);
    QCOMPARE(entered.at(0).at(0).toStringList(),
        (QStringList { "https://a.example/", "https://b.example/" }));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
}

void TestAddDialog::menuEntriesOpenItModally_data()
{
    QTest::addColumn<QString>("entry");
    QTest::newRow("Edit menu") << "mnuAddUrl";
    QTest::newRow("popup menu") << "popAddUrlItem";
}

void TestAddDialog::menuEntriesOpenItModally()
{
    QFETCH(QString, entry);
    m_fixture->setOutputFormat(QStringLiteral("PNG"));
    bool wasModal = false;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || dialog->objectName() != QLatin1String("Form3"))
            return;
        wasModal = true;
        answer(dialog,
            QStringLiteral("https://a.example/\r\n https://b.example/\r\n\r\nc.html\r\n"), "cmdOK");
    });
    action(m_window, entry.toLatin1().constData())->trigger();
    QVERIFY(wasModal);
    UrlListWidget* list = m_window->urlList();
    QCOMPARE(
        list->addresses(), (QStringList { "https://a.example/", " https://b.example/", "c.html" }));
    QCOMPARE(list->format(2), QStringLiteral("PNG"));
    QCOMPARE(list->status(2), QString());
    // Closed and gone: the next opening starts with an empty text box.
    QTRY_VERIFY(!m_fixture->shell->router()->listCommands()->addUrlsDialog());
}

void TestAddDialog::cancelAddsNothing()
{
    QTimer::singleShot(0, [] {
        if (QWidget* dialog = QApplication::activeModalWidget())
            answer(dialog, QStringLiteral("https://a.example/"), "cmdCancel");
    });
    action(m_window, "mnuAddUrl")->trigger();
    QCOMPARE(m_window->urlList()->rowCount(), 0);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestAddDialog::toolbarOpensOneModelessDialog()
{
    auto* button = m_window->findChild<ImageButton*>(QStringLiteral("Image3"));
    QTest::mouseClick(button, Qt::LeftButton);
    UrlListCommands* commands = m_fixture->shell->router()->listCommands();
    AddUrlsDialog* dialog = commands->addUrlsDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QVERIFY(!QApplication::activeModalWidget());

    // The main window stays usable meanwhile.
    action(m_window, "mnuClearAll")->trigger();
    // A second click shows the same dialog, the menu entry does nothing.
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(commands->addUrlsDialog(), dialog);
    action(m_window, "mnuAddUrl")->trigger();
    QCOMPARE(commands->addUrlsDialog(), dialog);
    QVERIFY(!QApplication::activeModalWidget());

    QSignalSpy destroyed(dialog, &QObject::destroyed);
    answer(dialog, QStringLiteral("one\ntwo"), "cmdOK");
    QCOMPARE(m_window->urlList()->addresses(), (QStringList { "one", "two" }));
    QVERIFY(!dialog->isVisible());
    // It was closed for good, not hidden.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(destroyed.count(), 1);
    QVERIFY(!commands->addUrlsDialog());
}

void TestAddDialog::minimisedDialogComesBack()
{
    ShellFixture fixture(/*trayAvailable=*/true);
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    CommandRouter* router = fixture.shell->router();
    router->addUrlFromToolbar();
    AddUrlsDialog* dialog = router->listCommands()->addUrlsDialog();
    QVERIFY(dialog);
    auto* edit = dialog->findChild<QPlainTextEdit*>(QStringLiteral("txtUrls"));
    edit->setPlainText(QStringLiteral("https://typed.example/"));

    // Minimised with the main window, which goes to the tray: one click brings
    // both back.
    dialog->showMinimized();
    window->showMinimized();
    QTRY_VERIFY(!window->isVisible());
    emit fixture.shell->tray()->icon()->activated(QSystemTrayIcon::Trigger);
    QVERIFY(window->isVisible());
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isMinimized());

    // The toolbar button and the menu entry both bring the same dialog back.
    for (const char* how : { "toolbar", "menu" }) {
        dialog->showMinimized();
        if (QByteArray(how) == "toolbar")
            QTest::mouseClick(
                window->findChild<ImageButton*>(QStringLiteral("Image3")), Qt::LeftButton);
        else
            action(window, "mnuAddUrl")->trigger();
        QCOMPARE(router->listCommands()->addUrlsDialog(), dialog);
        QVERIFY2(dialog->isVisible() && !dialog->isMinimized(), how);
        QVERIFY(!dialog->windowState().testFlag(Qt::WindowMinimized));
    }
    QCOMPARE(edit->toPlainText(), QStringLiteral("https://typed.example/"));
}

QTEST_MAIN(TestAddDialog)
#include "tst_adddialog.moc"
