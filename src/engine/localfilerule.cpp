#include "localfilerule.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

bool isInsideFolderOf(const QUrl& file, const QUrl& page)
{
    if (!page.isLocalFile())
        return false;
    const QString folder = QFileInfo(page.toLocalFile()).absolutePath();
    const QString path = QDir::cleanPath(file.toLocalFile());
    return !folder.isEmpty() && path.startsWith(folder + QLatin1Char('/'));
}

} // namespace

bool LocalRequestAllowed(
    LocalRequestKind kind, const QUrl& request, const QUrl& page, bool typedNavigation)
{
    if (!request.isLocalFile())
        return true;
    switch (kind) {
    case LocalRequestKind::MainFrame:
        // The page the converter loads; a script that sends the page elsewhere on
        // the disk would have that file captured.
        return typedNavigation;
    case LocalRequestKind::Stylesheet:
    case LocalRequestKind::Script:
    case LocalRequestKind::Image:
    case LocalRequestKind::Font:
    case LocalRequestKind::Media:
        return true;
    case LocalRequestKind::SubFrame:
        // Local files are one origin to the engine: a script can read any frame.
        return isInsideFolderOf(request, page);
    case LocalRequestKind::Other:
        break;
    }
    return false;
}
