#include "gui/desktop/urlopener.h"

#include <QDesktopServices>
#include <QProcess>

bool UrlOpener::open(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

bool UrlOpener::opensFolders()
{
    // The program xdg-open would hand a folder to; it answers at once, and a
    // desktop without xdg-utils has nothing to open a folder with either.
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
        { QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("inode/directory") },
        QIODevice::ReadOnly);
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished(1000);
        return false;
    }
    const QByteArray handler = query.readAllStandardOutput().trimmed();
    return query.exitCode() == 0 && handler.endsWith(".desktop");
}

bool UrlOpener::openFolder(const QString& folder)
{
    return opensFolders() && open(QUrl::fromLocalFile(folder));
}
