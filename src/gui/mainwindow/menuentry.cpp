#include "gui/mainwindow/menuentry.h"

#include <QAction>
#include <QMenu>

QAction* AddMenuEntry(
    QMenu* menu, const char* objectName, const QString& caption, const QKeySequence& shortcut)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(objectName));
    action->setShortcut(shortcut);
    return action;
}
