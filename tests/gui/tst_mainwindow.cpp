// The main window: start-up order, its parts, menus, toolbar and the routing of
// every command to its one routine.

#include "fakeservices.h"
#include "gui/app/appcontext.h"
#include "gui/app/commandrouter.h"
#include "gui/desktop/helplinks.h"
#include "gui/desktop/trayicon.h"
#include "gui/mainwindow/mainmenus.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/progresspanel.h"
#include "gui/mainwindow/statusframe.h"
#include "gui/urllist/urllistwidget.h"
#include "gui/widgets/imagebutton.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using Routine = CommandRouter::Routine;

namespace {

// The entries of a menu as "caption|shortcut", a separator as "-".
QStringList menuLayout(const QMenu* menu)
{
    QStringList entries;
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator())
            entries.append(QStringLiteral("-"));
        else
            entries.append(action->text() + QLatin1Char('|')
                + action->shortcut().toString(QKeySequence::PortableText));
    }
    return entries;
}

QList<QWidget*> visibleWindows()
{
    QList<QWidget*> visible;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible())
            visible.append(widget);
    }
    return visible;
}

// The pointer moving over a widget, as the window system reports it.
void movePointer(QWidget* widget, QPoint position)
{
    QMouseEvent move(QEvent::MouseMove, position, widget->mapToGlobal(position), Qt::NoButton,
        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

QAction* action(QWidget* window, const char* name)
{
    return window->findChild<QAction*>(QString::fromLatin1(name));
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void refusesToStartWithoutLogo();
    void startsWithTheMainWindow();
    void menusHoldEveryEntryInOrder();
    void toolbarHasNineCaptionedButtons();
    void atMostOneToolbarButtonHasABorder();
    void everyEntryRunsItsCommandsRoutine();
    void visitOpensTheBrowserOnTheSelectedRow();
    void shortcutsWorkWhileTheListHasFocus();
    void listMenuKeysFailureReasonsAndClearAll();
    void helpAndLinksOpenInTheDesktopBrowser();
    void linksNobodyOpensAreReported();
    void aboutBoxIsModal();
    void messageBoxesCarryTheTitleAndIcon();
    void exitLeavesNoWindowFromEveryEntry_data();
    void exitLeavesNoWindowFromEveryEntry();
    void exitClosesOpenDialogs();
};

void TestMainWindow::cleanup()
{
    // Each test owns its windows; none may leak into the next.
    for (QWidget* widget : QApplication::topLevelWidgets())
        widget->close();
}

void TestMainWindow::refusesToStartWithoutLogo()
{
    ShellFixture fixture(/*trayAvailable=*/true, /*withLogo=*/false);
    QVERIFY(!fixture.shell->start());
    QCOMPARE(fixture.messages.messages.size(), 1);
    QVERIFY(fixture.messages.messages.first().critical);
    QCOMPARE(
        fixture.messages.messages.first().text, QStringLiteral("File is missing or corrupted!"));
    // Nothing else was created: no tray icon, no window.
    QVERIFY(!fixture.shell->tray());
    QVERIFY(!fixture.shell->mainWindow());
    QVERIFY(visibleWindows().isEmpty());
}

void TestMainWindow::startsWithTheMainWindow()
{
    ShellFixture fixture;
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    QVERIFY(window->isVisible());
    QCOMPARE(window->objectName(), QStringLiteral("Form1"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Pagelith v2.70"));
    QCOMPARE(window->width(), 764);
    QCOMPARE(window->height() - window->menuBar()->height(), 479);
    QVERIFY(fixture.messages.messages.isEmpty());

    auto* list = window->findChild<QTreeWidget*>(QStringLiteral("lvwAudioTracks"));
    QVERIFY(list);
    QCOMPARE(list->columnCount(), 3);
    QCOMPARE(list->headerItem()->text(0), QStringLiteral("URL List"));
    QCOMPARE(list->headerItem()->text(1), QStringLiteral("Output Format"));
    QCOMPARE(list->headerItem()->text(2), QStringLiteral("Status"));
    QCOMPARE(list->toolTip(), QStringLiteral("Double Click to Visit at the URL"));

    // The progress panel and its parts exist, hidden until a batch runs.
    QWidget* panel = window->findChild<QWidget*>(QStringLiteral("Picture6"));
    QVERIFY(panel && !panel->isVisible());
    QCOMPARE(
        panel->findChild<QGroupBox*>(QStringLiteral("Frame2"))->title(), QStringLiteral("Status"));
    QVERIFY(panel->findChild<QLabel*>(QStringLiteral("SkinLabel6")));
    auto* progress = panel->findChild<QProgressBar*>(QStringLiteral("prgTotalProgress"));
    QCOMPARE(progress->minimum(), 0);
    QCOMPARE(progress->maximum(), 100);
    QVERIFY(panel->findChild<ImageButton*>(QStringLiteral("Image9")));
    // One cancel button: two alike that behave differently would leave the user guessing.
    QCOMPARE(panel->findChildren<ImageButton*>().size(), 1);
    QVERIFY(window->findChild<QLabel*>(QStringLiteral("SkinLabel1"))->isVisible());
}

void TestMainWindow::menusHoldEveryEntryInOrder()
{
    ShellFixture fixture;
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();

    QStringList titles;
    for (const QAction* menuAction : window->menuBar()->actions())
        titles.append(menuAction->text());
    QCOMPARE(
        titles, (QStringList { "File(&F)", "Edit(&E)", "Action(&A)", "Option(&O)", "Help(&H)" }));

    auto menu = [window](const char* name) {
        return window->menuBar()->findChild<QMenu*>(QString::fromLatin1(name));
    };
    QCOMPARE(menuLayout(menu("mnuFile")),
        (QStringList { "New Converting Project|", "Open Converting Project|",
            "Save Converting Project|", "-", "Exit|Ctrl+X" }));
    QCOMPARE(menuLayout(menu("mnuEdit")),
        (QStringList { "Load List|Ctrl+L", "Save List|", "-", "Add HTML Files|Ctrl+H",
            "Add URL|Ctrl+U", "-", "Remove Selected URL|Ctrl+R", "Clear All URL|", "-",
            "Visit at Selected URL|Ctrl+V" }));
    QCOMPARE(menuLayout(menu("mnuAction")),
        (QStringList { "Convert Now!|Ctrl+C", "Cancel Convert|", "-", "Mini Browser|Ctrl+B" }));
    QCOMPARE(menuLayout(menu("mnuOption")), (QStringList { "Settings|Ctrl+S", "-", "Schedule|" }));
    QCOMPARE(menuLayout(menu("mnuHelpMenu")),
        (QStringList { "Help|F1", "-", "Pagelith Home Page|Ctrl+P", "Support Online|Ctrl+T", "-",
            "About|Ctrl+A" }));

    auto* popup = window->findChild<QMenu*>(QStringLiteral("popmenu"));
    QVERIFY(popup);
    QCOMPARE(popup->title(), QStringLiteral("popupmenu1"));
    QVERIFY(!window->menuBar()->actions().contains(popup->menuAction()));
    QCOMPARE(menuLayout(popup),
        (QStringList { "Convert Now!|", "Settings|", "-", "Open Selected Url|", "-", "Load List|",
            "Add HTML Files|", "Add Url Item|", "-", "Remove Selected Item|",
            "Clear All Items|" }));
    QCOMPARE(action(window, "BurnNow")->text(), QStringLiteral("Convert Now!"));
    QCOMPARE(action(window, "CancelBurn")->text(), QStringLiteral("Cancel Convert"));
    QCOMPARE(action(window, "convertstart")->text(), QStringLiteral("Convert Now!"));
}

void TestMainWindow::toolbarHasNineCaptionedButtons()
{
    ShellFixture fixture;
    QVERIFY(fixture.shell->start());
    QWidget* strip = fixture.shell->mainWindow()->findChild<QWidget*>(QStringLiteral("Picture5"));
    QVERIFY(strip);
    const QStringList names { "Image1", "Image2", "Image3", "Image4", "Image5", "Image6", "Image7",
        "Image8", "Image10" };
    const QStringList captions { "Load List", "Add Html Files", "Add Url", "Save List",
        "CONVERT NOW", "Setting", "Schedule", "Help", "Exit" };
    int previousX = -1;
    for (int i = 0; i < names.size(); ++i) {
        auto* button = strip->findChild<ImageButton*>(names.at(i));
        QVERIFY2(button, qPrintable(names.at(i)));
        QCOMPARE(button->caption(), captions.at(i));
        QVERIFY(button->isVisible());
        // Left to right in the listed order.
        QVERIFY(button->x() > previousX);
        previousX = button->x();
    }
}

void TestMainWindow::atMostOneToolbarButtonHasABorder()
{
    ShellFixture fixture;
    QVERIFY(fixture.shell->start());
    QVERIFY(QTest::qWaitForWindowExposed(fixture.shell->mainWindow()));
    QWidget* strip = fixture.shell->mainWindow()->findChild<QWidget*>(QStringLiteral("Picture5"));
    const QList<ImageButton*> buttons = strip->findChildren<ImageButton*>();
    QCOMPARE(buttons.size(), 9);
    auto highlighted = [&buttons] {
        QList<ImageButton*> result;
        for (ImageButton* button : buttons) {
            if (button->isHighlighted())
                result.append(button);
        }
        return result;
    };
    for (ImageButton* button : buttons) {
        if (!button->isEnabled())
            continue;
        movePointer(button, button->rect().center());
        QCOMPARE(highlighted(), QList<ImageButton*> { button });
        QCOMPARE(button->frameShape(), QFrame::Box);
    }
    // Over the strip between the buttons: no border anywhere.
    movePointer(strip, QPoint(strip->width() - 3, strip->height() / 2));
    QVERIFY(highlighted().isEmpty());
    // A button that cannot be used gets no border either.
    auto* settings = strip->findChild<ImageButton*>(QStringLiteral("Image6"));
    settings->setEnabled(false);
    movePointer(settings, settings->rect().center());
    QVERIFY(highlighted().isEmpty());
    // The cancel buttons of the progress panel never get one.
    auto* cancel = fixture.shell->mainWindow()->findChild<ImageButton*>(QStringLiteral("Image9"));
    QVERIFY(!cancel->isHighlighted());
}

void TestMainWindow::everyEntryRunsItsCommandsRoutine()
{
    ShellFixture fixture;
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    TrayIcon* tray = fixture.shell->tray();
    CommandRouter* router = fixture.shell->router();
    QMap<Routine, int> runs;
    for (Routine command :
        { Routine::ConvertNow, Routine::CancelConvert, Routine::CancelConvertQuietly,
            Routine::SettingsDialog, Routine::ScheduleWindow, Routine::BrowserWindow })
        router->setRoutine(command, [&runs, command] { ++runs[command]; });

    auto clickButton = [window](const char* name) {
        auto* button = window->findChild<ImageButton*>(QString::fromLatin1(name));
        QVERIFY(button);
        if (!button->isVisible())
            button->window()->show();
        QTest::mouseClick(button, Qt::LeftButton);
    };
    window->progressPanel()->show();

    action(window, "BurnNow")->trigger();
    action(window, "convertstart")->trigger();
    clickButton("Image5");
    tray->convertNow->trigger();
    QCOMPARE(runs.value(Routine::ConvertNow), 4);

    action(window, "CancelBurn")->trigger();
    clickButton("Image9");
    // The tray's entry is usable only during a batch (none runs here).
    tray->cancelConvert->setEnabled(true);
    tray->cancelConvert->trigger();
    QCOMPARE(runs.value(Routine::CancelConvert), 3);

    action(window, "mnuSettings")->trigger();
    action(window, "popSettings")->trigger();
    clickButton("Image6");
    tray->settings->trigger();
    QCOMPARE(runs.value(Routine::SettingsDialog), 4);

    action(window, "mnuSchedule")->trigger();
    clickButton("Image7");
    QCOMPARE(runs.value(Routine::ScheduleWindow), 2);

    // The mini browser opens on a page that loads without a network: the start
    // page beside the program, else the help page.
    fixture.writeFile(QStringLiteral("help.html"), "<html><body>Help</body></html>");
    action(window, "mnuMiniBrowser")->trigger();
    QCOMPARE(runs.value(Routine::BrowserWindow), 1);
    QCOMPARE(fixture.shell->context()->browserStartUrl(),
        QUrl::fromLocalFile(fixture.path(QStringLiteral("help.html"))).toString());
}

void TestMainWindow::visitOpensTheBrowserOnTheSelectedRow()
{
    ShellFixture fixture;
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    UrlListWidget* list = window->urlList();
    QStringList visited;
    AppContext* context = fixture.shell->context();
    fixture.shell->router()->setRoutine(Routine::BrowserWindow,
        [&visited, context] { visited.append(context->browserStartUrl()); });

    // Nothing selected, or nothing at all: nothing opens.
    action(window, "mnuVisitSelected")->trigger();
    list->appendRow(QStringLiteral("https://one.example/"), QString());
    list->appendRow(QStringLiteral("/srv/pages/two.html"), QString());
    action(window, "popOpenSelected")->trigger();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(visited.isEmpty());

    list->topLevelItem(1)->setSelected(true);
    action(window, "mnuVisitSelected")->trigger();
    action(window, "popOpenSelected")->trigger();
    QCOMPARE(visited, (QStringList { "/srv/pages/two.html", "/srv/pages/two.html" }));

    // A double click acts on the selected row, not the one under the pointer.
    list->topLevelItem(0)->setSelected(true);
    const QPoint onRowTwo = list->visualItemRect(list->topLevelItem(1)).center();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, onRowTwo);
    QCOMPARE(visited.size(), 3);
    QCOMPARE(visited.last(), list->address(list->selectedRow()));
}

void TestMainWindow::shortcutsWorkWhileTheListHasFocus()
{
    ShellFixture fixture;
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    int converts = 0;
    fixture.shell->router()->setRoutine(Routine::ConvertNow, [&converts] { ++converts; });
    UrlListWidget* list = window->urlList();
    list->appendRow(QStringLiteral("a"), QString());
    list->appendRow(QStringLiteral("b"), QString());
    list->setFocus();
    list->topLevelItem(0)->setSelected(true);

    // Ctrl+C is the program's "Convert Now!", not the list's copy.
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(converts, 1);
    QTest::keyClick(list, Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(list->addresses(), QStringList { "b" });
    QTest::keyClick(list, Qt::Key_F1);
    QCOMPARE(fixture.messages.messages.size(), 1); // no help file in this folder
}

void TestMainWindow::listMenuKeysFailureReasonsAndClearAll()
{
    ShellFixture fixture;
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    UrlListWidget* list = window->urlList();
    list->appendRow(QStringLiteral("https://one.example/"), QStringLiteral("PNG"));
    list->appendRow(QStringLiteral("https://two.example/"), QStringLiteral("PNG"));
    list->setResult(1, QStringLiteral("Failed"), QStringLiteral("Server error"));

    // Why a row failed shows when it is selected, not only in its tooltip.
    list->setCurrentItem(list->topLevelItem(1));
    QCOMPARE(window->statusFrame()->statusLabel()->text(), QStringLiteral("Failed: Server error"));

    // The Menu key and Shift+F10 open the list's menu.
    QMenu* popup = window->menus()->popup;
    const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[]
        = { { Qt::Key_Menu, Qt::NoModifier }, { Qt::Key_F10, Qt::ShiftModifier } };
    for (const auto& [key, modifiers] : keys) {
        QTest::keyClick(list, key, modifiers);
        QTRY_VERIFY(popup->isVisible());
        popup->close();
    }

    // Clear All asks first; no keeps the list, and an empty list is not asked about.
    fixture.messages.answer = false;
    action(window, "mnuClearAll")->trigger();
    QCOMPARE(list->rowCount(), 2);
    QCOMPARE(fixture.messages.questions,
        QStringList({ QStringLiteral("Remove all 2 addresses from the list?") }));
    fixture.messages.answer = true;
    action(window, "popClearAll")->trigger();
    QCOMPARE(list->rowCount(), 0);
    action(window, "mnuNewProject")->trigger();
    QCOMPARE(fixture.messages.questions.size(), 2);
}

void TestMainWindow::helpAndLinksOpenInTheDesktopBrowser()
{
    ShellFixture fixture;
    fixture.writeFile(QStringLiteral("help.html"), "<html><body>Help</body></html>");
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    const QUrl helpUrl = QUrl::fromLocalFile(fixture.path(QStringLiteral("help.html")));

    action(window, "mnuHelp")->trigger();
    QTest::mouseClick(window->findChild<ImageButton*>(QStringLiteral("Image8")), Qt::LeftButton);
    fixture.shell->tray()->help->trigger();
    action(window, "mnuHomePage")->trigger();
    fixture.shell->tray()->onTheWeb->trigger();
    action(window, "mnuSupport")->trigger();

    // Without a public address (the build's PAGELITH_HOME_PAGE) the home page
    // and support entries lead to the installed help page.
    QVERIFY(HelpLinks::publicHomePage().isEmpty());
    QUrl support = helpUrl;
    support.setFragment(QStringLiteral("support"));
    QCOMPARE(fixture.opener.opened,
        (QList<QUrl> { helpUrl, helpUrl, helpUrl, helpUrl, helpUrl, support }));
    QVERIFY(fixture.messages.messages.isEmpty());
}

void TestMainWindow::linksNobodyOpensAreReported()
{
    ShellFixture fixture;
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();

    // No help file beside the program.
    action(window, "mnuHelp")->trigger();
    QCOMPARE(fixture.messages.messages.size(), 1);
    QVERIFY(fixture.messages.messages.last().critical);
    QVERIFY(fixture.messages.messages.last().text.contains(QLatin1String("help.html")));
    QVERIFY(fixture.opener.opened.isEmpty());

    // No program takes the page.
    fixture.writeFile(QStringLiteral("help.html"), "<html><body>Help</body></html>");
    fixture.opener.succeeds = false;
    action(window, "mnuHomePage")->trigger();
    QCOMPARE(fixture.messages.messages.size(), 2);
    QVERIFY(fixture.messages.messages.last().critical);
    QVERIFY(fixture.messages.messages.last().text.contains(QLatin1String("help.html")));
}

void TestMainWindow::aboutBoxIsModal()
{
    ShellFixture fixture;
    QVERIFY(fixture.shell->start());
    QString seenTitle;
    bool seenModal = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        seenTitle = modal->windowTitle();
        seenModal = modal->objectName() == QLatin1String("frmAbout");
        static_cast<QDialog*>(modal)->accept();
    });
    action(fixture.shell->mainWindow(), "mnuAbout")->trigger();
    QVERIFY(seenModal);
    QVERIFY(seenTitle.contains(QLatin1String("Pagelith")));
}

void TestMainWindow::messageBoxesCarryTheTitleAndIcon()
{
    MessagePresenter presenter;
    QStringList seen;
    auto closeBox = [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen.append(box->windowTitle() + QLatin1Char('|') + box->text() + QLatin1Char('|')
            + QString::number(box->icon()));
        box->accept();
    };
    QTimer::singleShot(0, closeBox);
    presenter.information(nullptr, QStringLiteral("Url List File is saved!"));
    QTimer::singleShot(0, closeBox);
    presenter.critical(nullptr, QStringLiteral("Save Url List File Error!"));
    QCOMPARE(seen,
        (QStringList { QStringLiteral("Pagelith|Url List File is saved!|%1")
                           .arg(int(QMessageBox::Information)),
            QStringLiteral("Pagelith|Save Url List File Error!|%1")
                .arg(int(QMessageBox::Critical)) }));
}

void TestMainWindow::exitLeavesNoWindowFromEveryEntry_data()
{
    QTest::addColumn<QString>("entry");
    QTest::newRow("File menu") << "menu";
    QTest::newRow("toolbar") << "toolbar";
    QTest::newRow("tray menu") << "tray";
}

void TestMainWindow::exitLeavesNoWindowFromEveryEntry()
{
    QFETCH(QString, entry);
    ShellFixture fixture(/*trayAvailable=*/true);
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    QVERIFY(fixture.shell->tray()->isInstalled());
    QSignalSpy exited(fixture.shell->router(), &CommandRouter::applicationExited);

    if (entry == QLatin1String("menu"))
        action(window, "mnuExit")->trigger();
    else if (entry == QLatin1String("toolbar"))
        QTest::mouseClick(
            window->findChild<ImageButton*>(QStringLiteral("Image10")), Qt::LeftButton);
    else
        fixture.shell->tray()->exit->trigger();

    QCOMPARE(exited.count(), 1);
    QCOMPARE(fixture.quitCount, 1);
    QVERIFY(!fixture.shell->tray()->isInstalled());
    QVERIFY(visibleWindows().isEmpty());
}

void TestMainWindow::exitClosesOpenDialogs()
{
    ShellFixture fixture(/*trayAvailable=*/true);
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    // A modal dialog of another window is open when the tray's Exit comes in.
    fixture.shell->router()->setRoutine(Routine::SettingsDialog, [window] {
        QDialog dialog(window);
        dialog.setObjectName(QStringLiteral("Form4"));
        dialog.exec();
    });
    QTimer::singleShot(0, [&fixture] { fixture.shell->tray()->exit->trigger(); });
    action(window, "mnuSettings")->trigger();
    // Reaching this line means the dialog's own loop ended.
    QCOMPARE(fixture.quitCount, 1);
    QVERIFY(visibleWindows().isEmpty());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
