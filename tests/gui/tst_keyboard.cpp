// The main window from the keyboard alone: Tab reaches every toolbar button,
// the focused one shows it, and Space or Enter runs its command.

#include "fakeservices.h"
#include "gui/app/commandrouter.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/toolbarstrip.h"
#include "gui/widgets/imagebutton.h"

#include <QApplication>
#include <QImage>
#include <QSet>
#include <QTest>

class TestKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void tabReachesEveryToolbarButton();
    void focusedButtonShowsItAndRunsItsCommand();
};

void TestKeyboard::tabReachesEveryToolbarButton()
{
    ShellFixture fixture;
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));

    QSet<QWidget*> reached;
    // Around the whole chain, twice as long as it can be.
    for (int step = 0; step < 80; ++step) {
        QTest::keyClick(
            QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Tab);
        if (QApplication::focusWidget())
            reached.insert(QApplication::focusWidget());
    }
    const QList<ImageButton*> buttons = window->toolbar()->findChildren<ImageButton*>();
    QCOMPARE(buttons.size(), 9);
    for (ImageButton* button : buttons)
        QVERIFY2(reached.contains(button), qPrintable(button->caption()));
}

void TestKeyboard::focusedButtonShowsItAndRunsItsCommand()
{
    ShellFixture fixture;
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    int runs = 0;
    fixture.shell->router()->setRoutine(
        CommandRouter::Routine::SettingsDialog, [&runs] { ++runs; });
    ImageButton* settings = window->toolbar()->settings();

    const QImage before = settings->grab().toImage();
    settings->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(settings->hasFocus());
    // The focus is drawn: the button looks different with it.
    QTRY_VERIFY(settings->grab().toImage() != before);

    QTest::keyClick(settings, Qt::Key_Space);
    QCOMPARE(runs, 1);
    QTest::keyClick(settings, Qt::Key_Return);
    QCOMPARE(runs, 2);
    // Other keys leave it alone.
    QTest::keyClick(settings, Qt::Key_A);
    QCOMPARE(runs, 2);
}

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    TestKeyboard test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_keyboard.moc"
