#include "localfileguard.h"

#include <QDir>
#include <QFileInfo>
#include <QWebEngineUrlRequestInfo>

namespace {

bool isInsideFolderOf(const QUrl& file, const QUrl& page)
{
    const QString folder = QFileInfo(page.toLocalFile()).absolutePath();
    const QString path = QDir::cleanPath(file.toLocalFile());
    return !folder.isEmpty() && path.startsWith(folder + QLatin1Char('/'));
}

} // namespace

void LocalFileGuard::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    if (!info.requestUrl().isLocalFile())
        return;
    bool allowed = false;
    switch (info.resourceType()) {
    case QWebEngineUrlRequestInfo::ResourceTypeMainFrame:
        // The page the converter loads; a script that sends the page elsewhere on
        // the disk would have that file captured.
        allowed = info.navigationType() == QWebEngineUrlRequestInfo::NavigationTypeTyped;
        break;
    case QWebEngineUrlRequestInfo::ResourceTypeStylesheet:
    case QWebEngineUrlRequestInfo::ResourceTypeScript:
    case QWebEngineUrlRequestInfo::ResourceTypeImage:
    case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
    case QWebEngineUrlRequestInfo::ResourceTypeMedia:
    case QWebEngineUrlRequestInfo::ResourceTypeFavicon:
        allowed = true;
        break;
    case QWebEngineUrlRequestInfo::ResourceTypeSubFrame:
        // Local files are one origin to the engine: a script can read any frame.
        allowed = isInsideFolderOf(info.requestUrl(), info.firstPartyUrl());
        break;
    default:
        break;
    }
    if (!allowed)
        info.block(true);
}
