#pragma once

#include <QKeySequence>

class QAction;
class QMenu;
class QString;

// Adds an entry to a menu under an objectName, by which the routing and the
// tests find it.
QAction* AddMenuEntry(QMenu* menu, const char* objectName, const QString& caption,
    const QKeySequence& shortcut = QKeySequence());
