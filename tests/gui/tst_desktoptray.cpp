// The tray icon in a real notification area while a modal dialog is open: an X
// server (Xvfb), a window manager (openbox) and a tray host (trayer) started by
// the test, clicks given by xdotool. Skipped, with the reason, where one of
// them is missing.

#include "fakeservices.h"
#include "gui/app/appshell.h"
#include "gui/desktop/trayicon.h"
#include "gui/mainwindow/mainwindow.h"
#include "nextmodal.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTest>
#include <memory>

namespace {

constexpr int DesktopTimeoutMs = 20000;

const QStringList& NeededPrograms()
{
    static const QStringList programs = { QStringLiteral("Xvfb"), QStringLiteral("openbox"),
        QStringLiteral("trayer"), QStringLiteral("xdotool") };
    return programs;
}

QStringList MissingPrograms()
{
    QStringList missing;
    for (const QString& program : NeededPrograms()) {
        if (QStandardPaths::findExecutable(program).isEmpty())
            missing.append(program);
    }
    return missing;
}

// The X server, its window manager and its notification area, for as long as
// the test runs; their processes end with it.
struct Desktop
{
    std::unique_ptr<QProcess> server = std::make_unique<QProcess>();
    std::unique_ptr<QProcess> windowManager = std::make_unique<QProcess>();
    std::unique_ptr<QProcess> trayHost = std::make_unique<QProcess>();
    QString error;

    ~Desktop()
    {
        for (QProcess* process : { trayHost.get(), windowManager.get(), server.get() }) {
            process->terminate();
            process->waitForFinished();
        }
    }

    // Starts the server and points this process's DISPLAY at it; the window
    // manager and the tray host come up on their own time.
    bool start()
    {
        // -displayfd prints the display's number once the server takes clients.
        server->start(QStringLiteral("Xvfb"),
            { QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                QStringLiteral("tcp") });
        if (!server->waitForStarted() || !server->waitForReadyRead(DesktopTimeoutMs)) {
            error = QStringLiteral("Xvfb did not start");
            return false;
        }
        const QByteArray display = ':' + server->readAllStandardOutput().trimmed();
        qputenv("DISPLAY", display);
        windowManager->start(QStringLiteral("openbox"), { QStringLiteral("--sm-disable") });
        trayHost->start(QStringLiteral("trayer"),
            { QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("pixel"),
                QStringLiteral("--width"), QStringLiteral("120"), QStringLiteral("--height"),
                QStringLiteral("32"), QStringLiteral("--SetDockType"), QStringLiteral("true") });
        return true;
    }
};

QString SkipReason;

// A real click of the given button at a point of the screen.
bool ClickAt(const QPoint& point, int button)
{
    return QProcess::execute(QStringLiteral("xdotool"),
               { QStringLiteral("mousemove"), QString::number(point.x()),
                   QString::number(point.y()), QStringLiteral("click"), QString::number(button) })
        == 0;
}

} // namespace

class TestDesktopTray : public QObject
{
    Q_OBJECT

private slots:
    void iconAnswersWhileAModalDialogIsOpen_data();
    void iconAnswersWhileAModalDialogIsOpen();
};

void TestDesktopTray::iconAnswersWhileAModalDialogIsOpen_data()
{
    QTest::addColumn<QString>("entry");
    QTest::newRow("about box") << "mnuAbout";
    QTest::newRow("settings") << "mnuSettings";
}

void TestDesktopTray::iconAnswersWhileAModalDialogIsOpen()
{
    if (!SkipReason.isEmpty())
        QSKIP(qPrintable(SkipReason));
    QFETCH(QString, entry);
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), DesktopTimeoutMs);
    ShellFixture fixture(/*trayAvailable=*/true);
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    TrayIcon* tray = fixture.shell->tray();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTRY_VERIFY_WITH_TIMEOUT(!tray->icon()->geometry().isEmpty(), DesktopTimeoutMs);
    // Where the icon is at the moment of the click: the tray host may still
    // move it while it settles.
    const auto icon = [tray] { return tray->icon()->geometry().center(); };

    bool minimised = false;
    bool restored = false;
    bool dialogInFront = false;
    bool menuOpened = false;
    onNextModal([&](QWidget* dialog) {
        QTest::qWaitForWindowExposed(dialog);
        // Minimised, both of them, as the window manager does it.
        window->showMinimized();
        dialog->showMinimized();
        minimised = QTest::qWaitFor(
            [&] { return window->isMinimized() && dialog->isMinimized(); }, DesktopTimeoutMs);
        // A left click on the icon brings the window back with its dialog in front.
        ClickAt(icon(), 1);
        restored = QTest::qWaitFor(
            [&] { return window->isVisible() && !window->isMinimized(); }, DesktopTimeoutMs);
        dialogInFront = QTest::qWaitFor(
            [&] {
                return dialog->isVisible() && !dialog->isMinimized()
                    && QApplication::activeModalWidget() == dialog;
            },
            DesktopTimeoutMs);
        // A right click opens the menu.
        ClickAt(icon(), 3);
        menuOpened = QTest::qWaitFor([&] { return tray->menu()->isVisible(); }, DesktopTimeoutMs);
        tray->menu()->close();
        qobject_cast<QDialog*>(dialog)->reject();
    });
    window->findChild<QAction*>(entry)->trigger();
    QVERIFY(minimised);
    QVERIFY(restored);
    QVERIFY(dialogInFront);
    QVERIFY(menuOpened);
}

int main(int argc, char* argv[])
{
    // The suite runs headless; this test brings its own desktop when it can.
    const QStringList missing = MissingPrograms();
    std::unique_ptr<Desktop> desktop;
    if (!missing.isEmpty()) {
        SkipReason = QStringLiteral("needs %1 for a real notification area; missing: %2")
                         .arg(NeededPrograms().join(QStringLiteral(", ")),
                             missing.join(QStringLiteral(", ")));
    } else {
        desktop = std::make_unique<Desktop>();
        if (desktop->start()) {
            qputenv("QT_QPA_PLATFORM", "xcb");
        } else {
            SkipReason = desktop->error;
        }
    }
    QApplication application(argc, argv);
    TestDesktopTray test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktoptray.moc"
