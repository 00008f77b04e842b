#include "core/naming/outputnaming.h"
#include "core/settings/inifile.h"
#include "core/settings/settingreaders.h"
#include "engine/queue/conversionservice.h"
#include "engine/setup/enginesetup.h"
#include "fakeservices.h"
#include "gui/app/commandrouter.h"
#include "gui/browser/browserwindow.h"
#include "gui/desktop/trayicon.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/urllist/urllistwidget.h"
#include "nextmodal.h"
#include "testhttpserver.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

constexpr int LoadTimeout = 20000;

} // namespace

class TestBrowserWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void layoutFollowsTheResizeRule();
    void opensOnTheStartAddressAndFollowsNavigation();
    void enterAndGoNavigateOtherKeysOnlyEdit();
    void addressBoxFollowsFrameNavigations();
    void stopEndsALoadThatNeverAnswers();
    void buttonsAreUsableOnlyWhenTheyCanDoSomething();
    void escapeClosesTheWindow();
    void listCommandsOpenItOnTheSelectedRow();
    void minimisedWindowsComeBackFromTheTray();
    void convertNowNamesTheFileAfterTheAddressBox();
    void convertNowReportsAFileThatWasNotWritten();
    void convertNowWithoutOutputFolderUsesTheApplicationFolder();
    void closingFromOutsideDropsTheWaitingConversion();

private:
    QUrl writePage(const QString& name, const QByteArray& body);
    std::unique_ptr<BrowserWindow> open(const QString& startUrl);
    // Opens the window with the conversion queue, on the given application
    // folder (the test's own folder when empty).
    std::unique_ptr<BrowserWindow> openConverting(
        const QString& startUrl, const QString& applicationFolder = QString());
    void writeSetting(Setting setting, const QString& value)
    {
        QVERIFY(
            WriteSetting(m_dir.filePath(QStringLiteral("settings.dat")), setting, value, nullptr));
    }
    bool waitForLoad(BrowserWindow* window, QSignalSpy& spy, int count = 1);
    template <typename T> T* child(QWidget* window, const char* name)
    {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("missing control %s", name);
        return widget;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<ConversionService> m_service;
    RecordingPresenter m_messages;
    RecordingOpener m_opener;
};

void TestBrowserWindow::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QUrl TestBrowserWindow::writePage(const QString& name, const QByteArray& body)
{
    QFile file(m_dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write test page");
    file.write("<!DOCTYPE html><html><head><title>" + name.toUtf8() + "</title></head><body>" + body
        + "</body></html>");
    return QUrl::fromLocalFile(file.fileName());
}

std::unique_ptr<BrowserWindow> TestBrowserWindow::open(const QString& startUrl)
{
    BrowserWindow::Context context;
    context.startUrl = startUrl;
    context.applicationFolder = m_dir.path();
    context.settingsFile = m_dir.filePath(QStringLiteral("settings.dat"));
    auto window = std::make_unique<BrowserWindow>(context);
    window->show();
    return window;
}

void TestBrowserWindow::layoutFollowsTheResizeRule()
{
    auto window = open(QString());
    QCOMPARE(window->objectName(), QStringLiteral("Form2"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Browser"));
    QCOMPARE(child<QLineEdit>(window.get(), "Text1")->text(), QStringLiteral("Text1"));
    QCOMPARE(child<QPushButton>(window.get(), "GoButton")->text(), QStringLiteral("Go"));
    QCOMPARE(child<QPushButton>(window.get(), "BackButton")->text(), QStringLiteral("Back"));
    QCOMPARE(child<QPushButton>(window.get(), "ForwardButton")->text(), QStringLiteral("Forward"));
    QCOMPARE(child<QPushButton>(window.get(), "StopButton")->text(), QStringLiteral("Stop"));
    auto* convert = child<QPushButton>(window.get(), "cmdWriteDisc");
    QCOMPARE(convert->text(), QStringLiteral("CONVERT NOW!"));
    // Without the application's conversion queue the button cannot be used.
    QVERIFY(!convert->isEnabled());
    QCOMPARE(convert->toolTip(), QStringLiteral("Not available yet"));

    // It opens at 1108 x 627 where the screen has room for it, else as large as
    // the screen's free area allows.
    const QSize room = window->screen()->availableGeometry().size() - QSize(24, 64);
    QCOMPARE(window->size(), QSize(1108, 627).boundedTo(room).expandedTo(window->minimumSize()));
    // At the initial client size the browser reaches past the right edge and
    // its lowest part lies under the status bar.
    window->resize(1108, 627);
    QTRY_COMPARE(window->size(), QSize(1108, 627));
    auto* view = child<QWebEngineView>(window.get(), "WebBrowser1");
    QCOMPARE(view->geometry(), QRect(6, 60, 1108, 567));
    auto* status = child<QStatusBar>(window.get(), "StatusBar1");
    QCOMPARE(status->geometry(), QRect(0, 602, 1108, 25));

    // The toolbar frame reaches the right edge; its buttons keep to its end.
    auto* frame = child<QWidget>(window.get(), "Frame1");
    QCOMPARE(frame->geometry(), QRect(8, 4, 1092, 45));
    QCOMPARE(convert->geometry().right(), frame->width() - 7);
    window->resize(1000, 400);
    QTRY_COMPARE(view->geometry(), QRect(6, 60, 1000, 340));
    QCOMPARE(frame->geometry(), QRect(8, 4, 984, 45));
    // No smaller than the whole toolbar and a strip of page.
    window->resize(300, 40);
    QTRY_COMPARE(window->size(), QSize(552, 185));
    QCOMPARE(frame->geometry(), QRect(8, 4, 536, 45));
    const QList<QWidget*> tools = frame->findChildren<QWidget*>();
    for (const QWidget* tool : tools) {
        if (tool->isVisibleTo(frame))
            QVERIFY2(frame->rect().contains(tool->geometry()), qPrintable(tool->objectName()));
    }
    QCOMPARE(view->geometry(), QRect(6, 60, 552, 125));
}

std::unique_ptr<BrowserWindow> TestBrowserWindow::openConverting(
    const QString& startUrl, const QString& applicationFolder)
{
    const QDir folder(applicationFolder.isEmpty() ? m_dir.path() : applicationFolder);
    if (!m_service)
        m_service = std::make_unique<ConversionService>();
    m_messages.messages.clear();
    m_opener.opened.clear();
    BrowserWindow::Context context;
    context.startUrl = startUrl;
    context.applicationFolder = folder.path();
    context.settingsFile = folder.filePath(QStringLiteral("settings.dat"));
    context.conversions = m_service.get();
    context.messages = &m_messages;
    context.opener = &m_opener;
    context.clock = [] { return QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0)); };
    auto window = std::make_unique<BrowserWindow>(context);
    window->show();
    return window;
}

bool TestBrowserWindow::waitForLoad(BrowserWindow* window, QSignalSpy& spy, int count)
{
    Q_UNUSED(window);
    return QTest::qWaitFor([&] { return spy.count() >= count; }, LoadTimeout);
}

void TestBrowserWindow::opensOnTheStartAddressAndFollowsNavigation()
{
    const QUrl third = writePage(QStringLiteral("third.html"), "<p>third</p>");
    const QUrl second = writePage(QStringLiteral("second.html"), "<p>second</p>");
    const QUrl first = writePage(
        QStringLiteral("first.html"), "<a id='next' href='" + second.toEncoded() + "'>next</a>");

    auto window = open(first.toString());
    auto* view = window->view();
    auto* address = child<QLineEdit>(window.get(), "Text1");
    auto* status = child<QStatusBar>(window.get(), "StatusBar1");
    QSignalSpy loads(view->page(), &QWebEnginePage::loadFinished);
    QVERIFY(waitForLoad(window.get(), loads));
    QVERIFY(loads.at(0).at(0).toBool());
    QCOMPARE(address->text(), first.toString());
    QCOMPARE(status->currentMessage(), QStringLiteral("Done"));

    view->page()->runJavaScript(QStringLiteral("document.getElementById('next').click();"));
    QVERIFY(waitForLoad(window.get(), loads, 2));
    QCOMPARE(address->text(), second.toString());

    // The page itself navigated without a user gesture, so the browser's
    // Back would skip its entry; the next step is the user's own.
    address->setText(third.toString());
    child<QPushButton>(window.get(), "GoButton")->click();
    QVERIFY(waitForLoad(window.get(), loads, 3));
    QCOMPARE(address->text(), third.toString());

    // Each step waits for its page: a Forward during the Back would cut it short.
    child<QPushButton>(window.get(), "BackButton")->click();
    QVERIFY(waitForLoad(window.get(), loads, 4));
    QCOMPARE(view->url(), second);
    QCOMPARE(address->text(), second.toString());
    child<QPushButton>(window.get(), "ForwardButton")->click();
    QVERIFY(waitForLoad(window.get(), loads, 5));
    QCOMPARE(view->url(), third);
    QCOMPARE(address->text(), third.toString());
    // Forward without history passes silently.
    child<QPushButton>(window.get(), "ForwardButton")->click();
    QCOMPARE(view->url(), third);

    // A new opening starts on its own address, not on the page last visited.
    window.reset();
    auto again = open(second.toString());
    QSignalSpy againLoads(again->view()->page(), &QWebEnginePage::loadFinished);
    QVERIFY(waitForLoad(again.get(), againLoads));
    QCOMPARE(child<QLineEdit>(again.get(), "Text1")->text(), second.toString());
    QVERIFY(!again->view()->history()->canGoBack());
}

void TestBrowserWindow::enterAndGoNavigateOtherKeysOnlyEdit()
{
    const QUrl start = writePage(QStringLiteral("start.html"), "<p>start</p>");
    const QUrl typed = writePage(QStringLiteral("typed.html"), "<p>typed</p>");
    const QUrl gone = writePage(QStringLiteral("gone.html"), "<p>gone</p>");
    auto window = open(start.toString());
    auto* view = window->view();
    QSignalSpy loads(view->page(), &QWebEnginePage::loadFinished);
    QVERIFY(waitForLoad(window.get(), loads));
    QSignalSpy starts(view->page(), &QWebEnginePage::loadStarted);

    auto* address = child<QLineEdit>(window.get(), "Text1");
    address->clear();
    QTest::keyClicks(address, typed.toString());
    QCOMPARE(starts.count(), 0);
    QCOMPARE(view->url(), start);
    QTest::keyClick(address, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(view->url(), typed, LoadTimeout);
    QVERIFY(waitForLoad(window.get(), loads, 2));
    QVERIFY(window->isVisible());

    address->setText(gone.toString());
    child<QPushButton>(window.get(), "GoButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(view->url(), gone, LoadTimeout);
    QVERIFY(waitForLoad(window.get(), loads, 3));
}

void TestBrowserWindow::addressBoxFollowsFrameNavigations()
{
    const QUrl frame = writePage(QStringLiteral("frame.html"), "<p>inner</p>");
    const QUrl outer = writePage(
        QStringLiteral("outer.html"), "<iframe src='" + frame.toEncoded() + "'></iframe>");
    auto window = open(outer.toString());
    QSignalSpy loads(window->view()->page(), &QWebEnginePage::loadFinished);
    QVERIFY(waitForLoad(window.get(), loads));
    // The last navigation that started was the frame's.
    QCOMPARE(child<QLineEdit>(window.get(), "Text1")->text(), frame.toString());
}

void TestBrowserWindow::stopEndsALoadThatNeverAnswers()
{
    TestHttpServer server;
    QVERIFY(server.start());
    server.route(QStringLiteral("/slow.html"), TestHttpServer::neverAnswer());
    const QString address = server.url(QStringLiteral("/slow.html")).toString();
    auto window = open(address);
    QSignalSpy loads(window->view()->page(), &QWebEnginePage::loadFinished);
    QTRY_COMPARE_WITH_TIMEOUT(server.requestCount(QStringLiteral("/slow.html")), 1, LoadTimeout);
    QCOMPARE(loads.count(), 0);
    QCOMPARE(child<QLineEdit>(window.get(), "Text1")->text(), address);

    child<QPushButton>(window.get(), "StopButton")->click();
    QVERIFY(waitForLoad(window.get(), loads));
    QVERIFY(!loads.at(0).at(0).toBool());
    // Said as it happened, of the address that was being opened.
    QTRY_COMPARE(child<QStatusBar>(window.get(), "StatusBar1")->currentMessage(),
        QStringLiteral("Stopped loading ") + address);
}

void TestBrowserWindow::buttonsAreUsableOnlyWhenTheyCanDoSomething()
{
    TestHttpServer server;
    QVERIFY(server.start());
    server.route(QStringLiteral("/hang.html"), TestHttpServer::neverAnswer());
    const QUrl first = writePage(QStringLiteral("b1.html"), "<p>one</p>");
    const QUrl second = writePage(QStringLiteral("b2.html"), "<p>two</p>");
    auto window = open(first.toString());
    QSignalSpy loads(window->view()->page(), &QWebEnginePage::loadFinished);
    QVERIFY(waitForLoad(window.get(), loads));
    auto* back = child<QPushButton>(window.get(), "BackButton");
    auto* forward = child<QPushButton>(window.get(), "ForwardButton");
    auto* stop = child<QPushButton>(window.get(), "StopButton");
    auto* address = child<QLineEdit>(window.get(), "Text1");
    QTRY_VERIFY(!stop->isEnabled());
    QVERIFY(!back->isEnabled());
    QVERIFY(!forward->isEnabled());

    // A load that never ends can be stopped; afterwards the box names the page
    // that is still shown, not the one that never came.
    address->setText(server.url(QStringLiteral("/hang.html")).toString());
    child<QPushButton>(window.get(), "GoButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(stop->isEnabled(), LoadTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(server.requestCount(QStringLiteral("/hang.html")), 1, LoadTimeout);
    stop->click();
    QVERIFY(waitForLoad(window.get(), loads, 2));
    QTRY_VERIFY(!stop->isEnabled());
    QTRY_COMPARE(address->text(), first.toString());
    QCOMPARE(window->view()->url(), first);

    address->setText(second.toString());
    child<QPushButton>(window.get(), "GoButton")->click();
    QVERIFY(waitForLoad(window.get(), loads, 3));
    QTRY_VERIFY(back->isEnabled());
    QVERIFY(!forward->isEnabled());
    back->click();
    QVERIFY(waitForLoad(window.get(), loads, 4));
    QTRY_VERIFY(forward->isEnabled());
    QTRY_VERIFY(!back->isEnabled());
}

void TestBrowserWindow::escapeClosesTheWindow()
{
    const QUrl page = writePage(QStringLiteral("esc.html"), "<p>escape</p>");
    // From the address box and from the page itself.
    for (bool fromPage : { false, true }) {
        auto window = open(page.toString());
        QSignalSpy loads(window->view()->page(), &QWebEnginePage::loadFinished);
        QVERIFY(waitForLoad(window.get(), loads));
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QWidget* target = fromPage ? window->view()->focusProxy()
                                   : static_cast<QWidget*>(child<QLineEdit>(window.get(), "Text1"));
        QVERIFY(target);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
        QTRY_VERIFY2_WITH_TIMEOUT(!window->isVisible(), fromPage ? "page" : "box", LoadTimeout);
        QCOMPARE(window->result(), int(QDialog::Rejected));
    }
}

void TestBrowserWindow::listCommandsOpenItOnTheSelectedRow()
{
    const QUrl one = writePage(QStringLiteral("one.html"), "<p>one</p>");
    const QUrl two = writePage(QStringLiteral("two.html"), "<p>two</p>");
    ShellFixture fixture;
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    CommandRouter* router = fixture.shell->router();
    UrlListWidget* list = window->urlList();
    list->appendRow(one.toString(), QString());
    list->appendRow(two.toString(), QString());

    QStringList shown;
    auto readAndClose = [&shown, router] {
        QCOMPARE(router->browserWindows().size(), 1);
        BrowserWindow* browser = router->browserWindows().constFirst();
        QCOMPARE(browser->objectName(), QStringLiteral("Form2"));
        QVERIFY(browser->isVisible());
        // A window of its own: nothing is modal while it is open.
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(!browser->parentWidget());
        QWebEngineView* view = browser->view();
        QVERIFY(QTest::qWaitFor([view] { return !view->url().isEmpty(); }, LoadTimeout));
        shown.append(browser->findChild<QLineEdit*>(QStringLiteral("Text1"))->text());
        browser->close();
        QTRY_VERIFY(router->browserWindows().isEmpty());
    };
    auto select = [list](int row) {
        list->clearSelection();
        list->topLevelItem(row)->setSelected(true);
    };
    select(1);
    window->findChild<QAction*>(QStringLiteral("mnuVisitSelected"))->trigger();
    readAndClose();
    select(0);
    window->findChild<QAction*>(QStringLiteral("popOpenSelected"))->trigger();
    readAndClose();
    select(1);
    QTest::mouseDClick(
        list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
    readAndClose();
    // Each opening starts afresh on its own row's address.
    QCOMPARE(shown, (QStringList { two.toString(), one.toString(), two.toString() }));

    // The mini browser opens on the start page shipped beside the program.
    fixture.writeFile(QStringLiteral("start.html"), "<html><body>Start</body></html>");
    window->findChild<QAction*>(QStringLiteral("mnuMiniBrowser"))->trigger();
    QCOMPARE(router->browserWindows().size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(router->browserWindows().constFirst()->view()->url(),
        QUrl::fromLocalFile(fixture.path(QStringLiteral("start.html"))), LoadTimeout);
}

void TestBrowserWindow::minimisedWindowsComeBackFromTheTray()
{
    ShellFixture fixture(/*trayAvailable=*/true);
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    TrayIcon* tray = fixture.shell->tray();
    window->findChild<QAction*>(QStringLiteral("mnuMiniBrowser"))->trigger();
    BrowserWindow* browser = fixture.shell->router()->browserWindows().constFirst();
    const auto leftClick = [tray] { emit tray->icon()->activated(QSystemTrayIcon::Trigger); };

    // The browser minimised: the main window still takes commands, and the
    // tray brings the browser back.
    browser->showMinimized();
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    onNextModal([](QWidget* dialog) { dialog->close(); });
    window->findChild<QAction*>(QStringLiteral("mnuAddUrl"))->trigger();
    QVERIFY(window->isVisible() && !window->isMinimized());
    leftClick();
    QVERIFY(browser->isVisible());
    QVERIFY(!browser->isMinimized());

    // The main window minimised (into the tray) with the browser open: the
    // tray's left click and its menu's "Pagelith" both bring it back.
    for (QAction* restore : { static_cast<QAction*>(nullptr), tray->showMainWindow }) {
        window->showMinimized();
        QTRY_VERIFY(!window->isVisible());
        QVERIFY(browser->isVisible());
        if (restore)
            restore->trigger();
        else
            leftClick();
        QVERIFY(window->isVisible());
        QVERIFY(!window->isMinimized());
    }
    browser->close();
}

void TestBrowserWindow::convertNowNamesTheFileAfterTheAddressBox()
{
    const QString out = m_dir.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(out));
    writeSetting(Setting::OutputFolder, out);
    writeSetting(Setting::FileOption, QStringLiteral("1"));
    writeSetting(Setting::OutputType, QStringLiteral("Image"));
    writeSetting(Setting::OutputFormat, QStringLiteral("PNG"));
    const QUrl page = writePage(QStringLiteral("tall.html"),
        "<style>a:focus { outline: 20px solid #f00 }</style><a id='link' href='#'>link</a>"
        "<div style='height:3000px;background:linear-gradient(#fff,#00f)'>tall</div>");

    auto window = openConverting(page.toString());
    auto* view = window->view();
    QSignalSpy loads(view->page(), &QWebEnginePage::loadFinished);
    QVERIFY(waitForLoad(window.get(), loads));
    // The size to come back to is the one the user gave the window.
    window->resize(1000, 500);
    QTRY_COMPARE(view->geometry(), QRect(6, 60, 1000, 440));
    // A link with the focus: its ring is no part of the page.
    view->setFocus();
    view->page()->runJavaScript(QStringLiteral("document.getElementById('link').focus();"));
    view->page()->runJavaScript(QStringLiteral("window.scrollTo(0, 300);"));
    QTRY_COMPARE_WITH_TIMEOUT(view->page()->scrollPosition().y(), 300.0, LoadTimeout);

    // Typed but neither Go nor Enter: the page on screen is converted, the
    // file is named after the typed text.
    const QString typed = QStringLiteral("http://www.typed-example.com/shot.html");
    auto* address = child<QLineEdit>(window.get(), "Text1");
    address->setText(typed);
    auto* convert = child<QPushButton>(window.get(), "cmdWriteDisc");
    QVERIFY(convert->isEnabled());
    QCOMPARE(convert->toolTip(), QStringLiteral("Convert Pagelith"));
    convert->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_messages.messages.size(), 1, 120000);
    QCOMPARE(m_messages.texts(), QStringList { "Conversion completed!" });
    QVERIFY(!m_messages.messages.constFirst().critical);
    QCOMPARE(m_opener.opened, QList<QUrl> { QUrl::fromLocalFile(out) });

    const QFileInfoList written = QDir(out).entryInfoList(QDir::Files);
    QCOMPARE(written.size(), 1);
    QCOMPARE(written.constFirst().completeBaseName(), UrlToFileName(typed));
    QCOMPARE(written.constFirst().suffix().toLower(), QStringLiteral("png"));
    QImage image(written.constFirst().filePath());
    QVERIFY(image.height() >= 3000);
    int ringPixels = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 200; ++x)
            ringPixels += image.pixel(x, y) == qRgb(255, 0, 0) ? 1 : 0;
    }
    QCOMPARE(ringPixels, 0);

    // The user sees the page as before and goes on browsing.
    QCOMPARE(view->geometry(), QRect(6, 60, 1000, 440));
    QTRY_COMPARE_WITH_TIMEOUT(view->page()->scrollPosition().y(), 300.0, LoadTimeout);
    QCOMPARE(view->url(), page);
    QCOMPARE(address->text(), typed);
    QVERIFY(convert->isEnabled());
}

void TestBrowserWindow::convertNowReportsAFileThatWasNotWritten()
{
    // A folder below a plain file can never be created or written.
    QFile blocker(m_dir.filePath(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    writeSetting(Setting::OutputFolder, blocker.fileName() + QStringLiteral("/out"));
    writeSetting(Setting::OutputFormat, QStringLiteral("PNG"));
    const QUrl page = writePage(QStringLiteral("small.html"), "<p>small</p>");

    auto window = openConverting(page.toString());
    QSignalSpy loads(window->view()->page(), &QWebEnginePage::loadFinished);
    QVERIFY(waitForLoad(window.get(), loads));
    child<QPushButton>(window.get(), "cmdWriteDisc")->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_messages.messages.size(), 1, 120000);
    QVERIFY(m_messages.messages.constFirst().critical);
    QVERIFY(m_messages.texts().constFirst().startsWith(QLatin1String("Conversion failed: ")));
    QVERIFY(m_messages.texts().constFirst().size() > QStringLiteral("Conversion failed: ").size());
    QVERIFY(m_opener.opened.isEmpty());
}

void TestBrowserWindow::convertNowWithoutOutputFolderUsesTheApplicationFolder()
{
    QTemporaryDir appFolder;
    QVERIFY(appFolder.isValid());
    const QString settings = appFolder.filePath(QStringLiteral("settings.dat"));
    QVERIFY(WriteSetting(settings, Setting::OutputFormat, QStringLiteral("JPG"), nullptr));
    QVERIFY(WriteSetting(settings, Setting::FileName, QStringLiteral("mini"), nullptr));
    const QUrl page = writePage(QStringLiteral("plain.html"), "<h1>plain</h1>");

    // An application folder of its own, empty but for the settings.
    auto window = openConverting(page.toString(), appFolder.path());
    QSignalSpy loads(window->view()->page(), &QWebEnginePage::loadFinished);
    QVERIFY(waitForLoad(window.get(), loads));
    child<QPushButton>(window.get(), "cmdWriteDisc")->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_messages.messages.size(), 1, 120000);
    QCOMPARE(m_messages.texts(), QStringList { "Conversion completed!" });
    QCOMPARE(m_opener.opened, QList<QUrl> { QUrl::fromLocalFile(appFolder.path()) });
    // The output, and no temporary file left behind.
    QStringList files = QDir(appFolder.path()).entryList(QDir::Files);
    files.sort();
    QCOMPARE(files, (QStringList { "mini.jpg", "settings.dat" }));
}

void TestBrowserWindow::closingFromOutsideDropsTheWaitingConversion()
{
    const QString out = m_dir.filePath(QStringLiteral("queued"));
    QVERIFY(QDir().mkpath(out));
    writeSetting(Setting::OutputFolder, out);
    writeSetting(Setting::OutputFormat, QStringLiteral("PNG"));
    const QUrl page = writePage(QStringLiteral("waiting.html"), "<p>waiting</p>");
    auto window = openConverting(page.toString());
    QSignalSpy loads(window->view()->page(), &QWebEnginePage::loadFinished);
    QVERIFY(waitForLoad(window.get(), loads));

    // Another page is converted first, so the window's page waits in the queue.
    ConversionRequest other;
    other.address = page.toLocalFile();
    other.applicationFolder = m_dir.path();
    other.settingsFile = m_dir.filePath(QStringLiteral("settings.dat"));
    QSignalSpy started(m_service.get(), &ConversionService::started);
    QSignalSpy finished(m_service.get(), &ConversionService::finished);
    const int otherId = m_service->enqueue(other);
    child<QPushButton>(window.get(), "cmdWriteDisc")->click();
    QCOMPARE(m_service->pendingCount(), 2);

    // The application ends: the window is closed without reject() and destroyed.
    window->done(QDialog::Rejected);
    QVERIFY(!window->isVisible());
    QCOMPARE(m_service->pendingCount(), 1);
    window.reset();

    QVERIFY(finished.wait(120000));
    QCOMPARE(finished.first().first().toInt(), otherId);
    QVERIFY(finished.first().last().value<ConversionResult>().ok);
    QCOMPARE(started.count(), 1);
    QCOMPARE(m_service->pendingCount(), 0);
    QVERIFY(!m_service->isBusy());
    QCOMPARE(QDir(out).entryList(QDir::Files).size(), 1);
    QVERIFY(m_messages.messages.isEmpty());
}

int main(int argc, char** argv)
{
    PrepareEngineEnvironment();
    QApplication app(argc, argv);
    TestBrowserWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browserwindow.moc"
