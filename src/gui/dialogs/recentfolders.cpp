#include "gui/dialogs/recentfolders.h"

#include <QDir>
#include <QFileInfo>

QString RecentFolders::startFolder(Kind kind, const QString& fallback) const
{
    const QString last = m_folders.value(int(kind));
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    if (!fallback.isEmpty()) {
        const QFileInfo given(fallback);
        if (given.isDir())
            return given.absoluteFilePath();
        if (given.absoluteDir().exists())
            return given.absolutePath();
    }
    return QDir::homePath();
}

void RecentFolders::rememberFile(Kind kind, const QString& filePath)
{
    if (!filePath.isEmpty())
        m_folders.insert(int(kind), QFileInfo(filePath).absolutePath());
}

void RecentFolders::rememberFolder(Kind kind, const QString& folder)
{
    if (!folder.isEmpty())
        m_folders.insert(int(kind), QFileInfo(folder).absoluteFilePath());
}
