#include "gui/mainwindow/mainmenus.h"

#include "gui/mainwindow/menuentry.h"

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace {

QMenu* addMenu(QMenuBar* bar, const char* objectName, const QString& caption)
{
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(objectName));
    return menu;
}

} // namespace

MainMenus::MainMenus(QMainWindow* window)
{
    QMenuBar* bar = window->menuBar();

    QMenu* file = addMenu(bar, "mnuFile", tr("File(&F)"));
    newProject = AddMenuEntry(file, "mnuNewProject", tr("New Converting Project"));
    openProject = AddMenuEntry(file, "mnuOpenProject", tr("Open Converting Project"));
    saveProject = AddMenuEntry(file, "mnuSaveProject", tr("Save Converting Project"));
    file->addSeparator();
    exit = AddMenuEntry(file, "mnuExit", tr("Exit"), QKeySequence(Qt::CTRL | Qt::Key_X));

    QMenu* edit = addMenu(bar, "mnuEdit", tr("Edit(&E)"));
    loadList
        = AddMenuEntry(edit, "mnuLoadList", tr("Load List"), QKeySequence(Qt::CTRL | Qt::Key_L));
    saveList = AddMenuEntry(edit, "mnuSaveList", tr("Save List"));
    edit->addSeparator();
    addHtmlFiles = AddMenuEntry(
        edit, "mnuAddHtmlFiles", tr("Add HTML Files"), QKeySequence(Qt::CTRL | Qt::Key_H));
    addUrl = AddMenuEntry(edit, "mnuAddUrl", tr("Add URL"), QKeySequence(Qt::CTRL | Qt::Key_U));
    edit->addSeparator();
    removeSelected = AddMenuEntry(
        edit, "mnuRemoveSelected", tr("Remove Selected URL"), QKeySequence(Qt::CTRL | Qt::Key_R));
    clearAll = AddMenuEntry(edit, "mnuClearAll", tr("Clear All URL"));
    edit->addSeparator();
    visitSelected = AddMenuEntry(
        edit, "mnuVisitSelected", tr("Visit at Selected URL"), QKeySequence(Qt::CTRL | Qt::Key_V));

    QMenu* action = addMenu(bar, "mnuAction", tr("Action(&A)"));
    convertNow
        = AddMenuEntry(action, "BurnNow", tr("Convert Now!"), QKeySequence(Qt::CTRL | Qt::Key_C));
    cancelConvert = AddMenuEntry(action, "CancelBurn", tr("Cancel Convert"));
    action->addSeparator();
    miniBrowser = AddMenuEntry(
        action, "mnuMiniBrowser", tr("Mini Browser"), QKeySequence(Qt::CTRL | Qt::Key_B));

    // Its own access key: Alt+A opens the Action menu.
    QMenu* option = addMenu(bar, "mnuOption", tr("Option(&O)"));
    settings
        = AddMenuEntry(option, "mnuSettings", tr("Settings"), QKeySequence(Qt::CTRL | Qt::Key_S));
    option->addSeparator();
    schedule = AddMenuEntry(option, "mnuSchedule", tr("Schedule"));

    QMenu* helpMenu = addMenu(bar, "mnuHelpMenu", tr("Help(&H)"));
    help = AddMenuEntry(helpMenu, "mnuHelp", tr("Help"), QKeySequence(Qt::Key_F1));
    helpMenu->addSeparator();
    homePage = AddMenuEntry(
        helpMenu, "mnuHomePage", tr("Pagelith Home Page"), QKeySequence(Qt::CTRL | Qt::Key_P));
    support = AddMenuEntry(
        helpMenu, "mnuSupport", tr("Support Online"), QKeySequence(Qt::CTRL | Qt::Key_T));
    helpMenu->addSeparator();
    about = AddMenuEntry(helpMenu, "mnuAbout", tr("About"), QKeySequence(Qt::CTRL | Qt::Key_A));

    popup = new QMenu(QStringLiteral("popupmenu1"), window);
    popup->setObjectName(QStringLiteral("popmenu"));
    popConvertNow = AddMenuEntry(popup, "convertstart", tr("Convert Now!"));
    popSettings = AddMenuEntry(popup, "popSettings", tr("Settings"));
    popup->addSeparator();
    popOpenSelected = AddMenuEntry(popup, "popOpenSelected", tr("Open Selected Url"));
    popup->addSeparator();
    popLoadList = AddMenuEntry(popup, "popLoadList", tr("Load List"));
    popAddHtmlFiles = AddMenuEntry(popup, "popAddHtmlFiles", tr("Add HTML Files"));
    popAddUrlItem = AddMenuEntry(popup, "popAddUrlItem", tr("Add Url Item"));
    popup->addSeparator();
    popRemoveSelected = AddMenuEntry(popup, "popRemoveSelected", tr("Remove Selected Item"));
    popClearAll = AddMenuEntry(popup, "popClearAll", tr("Clear All Items"));
}
