#pragma once

#include <QCoreApplication>

class QAction;
class QMainWindow;
class QMenu;

// The menu bar of the main window and the list's popup menu. Every entry is an
// action named after its menu entry, so the routing and the tests find it.
class MainMenus
{
    Q_DECLARE_TR_FUNCTIONS(MainMenus)

public:
    // Builds the menus into the window's menu bar; the window owns them.
    explicit MainMenus(QMainWindow* window);

    // File
    QAction* newProject;
    QAction* openProject;
    QAction* saveProject;
    QAction* exit;
    // Edit
    QAction* loadList;
    QAction* saveList;
    QAction* addHtmlFiles;
    QAction* addUrl;
    QAction* removeSelected;
    QAction* clearAll;
    QAction* visitSelected;
    // Action
    QAction* convertNow;
    QAction* cancelConvert;
    QAction* miniBrowser;
    // Option
    QAction* settings;
    QAction* schedule;
    // Help
    QAction* help;
    QAction* homePage;
    QAction* support;
    QAction* about;

    // The list's popup menu, never shown in the menu bar.
    QMenu* popup;
    QAction* popConvertNow;
    QAction* popSettings;
    QAction* popOpenSelected;
    QAction* popLoadList;
    QAction* popAddHtmlFiles;
    QAction* popAddUrlItem;
    QAction* popRemoveSelected;
    QAction* popClearAll;
};
