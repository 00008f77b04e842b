// The tray icon and the way the main window hides, comes back and closes, with
// and without a notification area on the desktop.

#include "fakeservices.h"
#include "gui/app/commandrouter.h"
#include "gui/desktop/trayicon.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/urllist/urllistwidget.h"
#include "nextmodal.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

namespace {

QStringList menuCaptions(const QMenu* menu)
{
    QStringList captions;
    for (const QAction* action : menu->actions())
        captions.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return captions;
}

void click(TrayIcon* tray, QSystemTrayIcon::ActivationReason reason)
{
    emit tray->icon()->activated(reason);
}

} // namespace

class TestTray : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void iconCarriesTitleAndMenu();
    void minimisingHidesToTheTray();
    void onlyLeftClicksRestore();
    void modalDialogKeepsTheProgramReachable_data();
    void modalDialogKeepsTheProgramReachable();
    void closeBoxKeepsTheProgramInTheTray();
    void withoutTrayMinimisedStaysInTheTaskBar();
    void withoutTrayCloseBoxEndsTheProgram();
};

void TestTray::cleanup()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        widget->close();
}

void TestTray::iconCarriesTitleAndMenu()
{
    ShellFixture fixture(/*trayAvailable=*/true);
    QVERIFY(fixture.shell->start());
    TrayIcon* tray = fixture.shell->tray();
    QCOMPARE(tray->objectName(), QStringLiteral("frmtray"));
    QVERIFY(tray->isInstalled());
    QCOMPARE(tray->icon()->toolTip(), QStringLiteral("Pagelith"));
    QVERIFY(!tray->icon()->icon().isNull());
    QCOMPARE(tray->icon()->contextMenu(), tray->menu());
    QCOMPARE(tray->menu()->objectName(), QStringLiteral("mPopupSys"));
    QCOMPARE(menuCaptions(tray->menu()),
        (QStringList { "Pagelith On the Web", "Help", "-", "Pagelith", "-", "Settings", "-",
            "Convert Now", "Cancel Convert", "-", "Exit" }));
}

void TestTray::minimisingHidesToTheTray()
{
    ShellFixture fixture(/*trayAvailable=*/true);
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    QVERIFY(window->hidesToTray());
    window->showMinimized();
    QTRY_VERIFY(!window->isVisible());
    QVERIFY(fixture.shell->tray()->isInstalled());

    // The tray menu's "Pagelith" brings it back in its normal state.
    fixture.shell->tray()->showMainWindow->trigger();
    QVERIFY(window->isVisible());
    QVERIFY(!window->isMinimized());
}

void TestTray::onlyLeftClicksRestore()
{
    ShellFixture fixture(/*trayAvailable=*/true);
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    TrayIcon* tray = fixture.shell->tray();
    window->showMinimized();
    QTRY_VERIFY(!window->isVisible());

    // The right button opens the menu (the desktop does that), the middle
    // button and the double click message do nothing.
    click(tray, QSystemTrayIcon::Context);
    click(tray, QSystemTrayIcon::MiddleClick);
    click(tray, QSystemTrayIcon::DoubleClick);
    QVERIFY(!window->isVisible());

    click(tray, QSystemTrayIcon::Trigger);
    QVERIFY(window->isVisible());
    QVERIFY(!window->isMinimized());
    // A second left click on a shown window keeps it shown, in normal state.
    click(tray, QSystemTrayIcon::Trigger);
    QVERIFY(window->isVisible());
    QVERIFY(!window->isMinimized());
}

void TestTray::modalDialogKeepsTheProgramReachable_data()
{
    QTest::addColumn<QString>("entry");
    QTest::newRow("about box") << "mnuAbout";
    QTest::newRow("settings") << "mnuSettings";
}

void TestTray::modalDialogKeepsTheProgramReachable()
{
    QFETCH(QString, entry);
    ShellFixture fixture(/*trayAvailable=*/true);
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    TrayIcon* tray = fixture.shell->tray();
    auto* open = window->findChild<QAction*>(entry);
    QVERIFY(open);

    // What the desktop shows: the window's state once its deferred hide had
    // its turn, then the dialog's after a click on the tray icon.
    bool windowShown = false;
    bool windowMinimised = false;
    bool dialogInFront = false;
    onNextModal([&](QWidget* dialog) {
        // The window manager minimises a dialog together with its window.
        dialog->showMinimized();
        window->showMinimized();
        QTimer::singleShot(0, dialog, [&, dialog] {
            windowShown = window->isVisible();
            windowMinimised = window->windowState().testFlag(Qt::WindowMinimized);
            click(tray, QSystemTrayIcon::Trigger);
            dialogInFront = dialog->isVisible() && !dialog->isMinimized()
                && QApplication::activeModalWidget() == dialog;
            qobject_cast<QDialog*>(dialog)->reject();
        });
    });
    open->trigger();
    QVERIFY(windowShown);
    QVERIFY(windowMinimised);
    QVERIFY(dialogInFront);
    QVERIFY(window->isVisible());
    QVERIFY(!window->isMinimized());
}

void TestTray::closeBoxKeepsTheProgramInTheTray()
{
    ShellFixture fixture(/*trayAvailable=*/true);
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    QSignalSpy exited(fixture.shell->router(), &CommandRouter::applicationExited);
    window->urlList()->appendRow(QStringLiteral("https://kept.example/"), QString());

    QVERIFY(window->close());
    QVERIFY(!window->isVisible());
    QCOMPARE(exited.count(), 0);
    QCOMPARE(fixture.quitCount, 0);
    QVERIFY(fixture.shell->tray()->isInstalled());

    // Back from the tray with its list as it was.
    click(fixture.shell->tray(), QSystemTrayIcon::Trigger);
    QVERIFY(window->isVisible());
    QCOMPARE(window->urlList()->rowCount(), 1);
}

void TestTray::withoutTrayMinimisedStaysInTheTaskBar()
{
    ShellFixture fixture(/*trayAvailable=*/false);
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    QVERIFY(!fixture.shell->tray()->isInstalled());
    QVERIFY(!window->hidesToTray());

    window->showMinimized();
    QVERIFY(window->isMinimized());
    // Give a deferred hide its turn (a call posted now runs after it); the
    // window must still be there.
    bool settled = false;
    QTimer::singleShot(0, [&settled] { settled = true; });
    QTRY_VERIFY(settled);
    QVERIFY(window->isVisible());
    QVERIFY(window->isMinimized());
}

void TestTray::withoutTrayCloseBoxEndsTheProgram()
{
    ShellFixture fixture(/*trayAvailable=*/false);
    QVERIFY(fixture.shell->start());
    QSignalSpy exited(fixture.shell->router(), &CommandRouter::applicationExited);
    fixture.shell->mainWindow()->close();
    QCOMPARE(exited.count(), 1);
    QCOMPARE(fixture.quitCount, 1);
    QVERIFY(!fixture.shell->mainWindow()->isVisible());
}

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
