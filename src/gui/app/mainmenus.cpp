#include "mainmenus.h"

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace {

QAction* entry(QMenu* menu, const char* objectName, const char* caption,
    const QKeySequence& shortcut = QKeySequence())
{
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromLatin1(objectName));
    action->setShortcut(shortcut);
    return action;
}

QMenu* menu(QMenuBar* bar, const char* objectName, const char* caption)
{
    QMenu* menu = bar->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(QString::fromLatin1(objectName));
    // Entries waiting for their window say so in a tooltip.
    menu->setToolTipsVisible(true);
    return menu;
}

} // namespace

MainMenus::MainMenus(QMainWindow* window)
{
    QMenuBar* bar = window->menuBar();

    QMenu* file = menu(bar, "mnuFile", "File(&F)");
    newProject = entry(file, "mnuNewProject", "New Converting Project");
    openProject = entry(file, "mnuOpenProject", "Open Converting Project");
    saveProject = entry(file, "mnuSaveProject", "Save Converting Project");
    file->addSeparator();
    exit = entry(file, "mnuExit", "Exit", QKeySequence(Qt::CTRL | Qt::Key_X));

    QMenu* edit = menu(bar, "mnuEdit", "Edit(&E)");
    loadList = entry(edit, "mnuLoadList", "Load List", QKeySequence(Qt::CTRL | Qt::Key_L));
    saveList = entry(edit, "mnuSaveList", "Save List");
    edit->addSeparator();
    addHtmlFiles
        = entry(edit, "mnuAddHtmlFiles", "Add HTML Files", QKeySequence(Qt::CTRL | Qt::Key_H));
    addUrl = entry(edit, "mnuAddUrl", "Add URL", QKeySequence(Qt::CTRL | Qt::Key_U));
    edit->addSeparator();
    removeSelected = entry(
        edit, "mnuRemoveSelected", "Remove Selected URL", QKeySequence(Qt::CTRL | Qt::Key_R));
    clearAll = entry(edit, "mnuClearAll", "Clear All URL");
    edit->addSeparator();
    visitSelected = entry(
        edit, "mnuVisitSelected", "Visit at Selected URL", QKeySequence(Qt::CTRL | Qt::Key_V));

    QMenu* action = menu(bar, "mnuAction", "Action(&A)");
    convertNow = entry(action, "BurnNow", "Convert Now!", QKeySequence(Qt::CTRL | Qt::Key_C));
    cancelConvert = entry(action, "CancelBurn", "Cancel Convert");
    action->addSeparator();
    miniBrowser
        = entry(action, "mnuMiniBrowser", "Mini Browser", QKeySequence(Qt::CTRL | Qt::Key_B));

    QMenu* option = menu(bar, "mnuOption", "Option(&A)");
    settings = entry(option, "mnuSettings", "Settings", QKeySequence(Qt::CTRL | Qt::Key_S));
    option->addSeparator();
    schedule = entry(option, "mnuSchedule", "Schedule");

    QMenu* helpMenu = menu(bar, "mnuHelpMenu", "Help(&H)");
    help = entry(helpMenu, "mnuHelp", "Help", QKeySequence(Qt::Key_F1));
    helpMenu->addSeparator();
    homePage
        = entry(helpMenu, "mnuHomePage", "Pagelith Home Page", QKeySequence(Qt::CTRL | Qt::Key_P));
    support = entry(helpMenu, "mnuSupport", "Support Online", QKeySequence(Qt::CTRL | Qt::Key_T));
    helpMenu->addSeparator();
    about = entry(helpMenu, "mnuAbout", "About", QKeySequence(Qt::CTRL | Qt::Key_A));

    popup = new QMenu(QStringLiteral("popupmenu1"), window);
    popup->setObjectName(QStringLiteral("popmenu"));
    popup->setToolTipsVisible(true);
    popConvertNow = entry(popup, "convertstart", "Convert Now!");
    popSettings = entry(popup, "popSettings", "Settings");
    popup->addSeparator();
    popOpenSelected = entry(popup, "popOpenSelected", "Open Selected Url");
    popup->addSeparator();
    popLoadList = entry(popup, "popLoadList", "Load List");
    popAddHtmlFiles = entry(popup, "popAddHtmlFiles", "Add HTML Files");
    popAddUrlItem = entry(popup, "popAddUrlItem", "Add Url Item");
    popup->addSeparator();
    popRemoveSelected = entry(popup, "popRemoveSelected", "Remove Selected Item");
    popClearAll = entry(popup, "popClearAll", "Clear All Items");
}
