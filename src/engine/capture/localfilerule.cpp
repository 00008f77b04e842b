#include "engine/capture/localfilerule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <climits>
#include <cstdlib>

namespace {

// Where a path really leads: links followed and "." and ".." gone. A missing
// name is placed in the real folder it would be in. A link that leads nowhere
// real (to nothing, in a circle, somewhere we may not look) has no real path
// (empty): it is inside no folder.
QString realPath(const QString& path)
{
    // The system's own answer: Qt's canonical path of a link in a circle is the
    // link itself.
    auto resolved = [](const QString& name) {
        char* real = ::realpath(QFile::encodeName(name).constData(), nullptr);
        const QString result = real ? QFile::decodeName(real) : QString();
        std::free(real);
        return result;
    };
    const QFileInfo info(QDir::cleanPath(path));
    const QString real = resolved(info.filePath());
    if (!real.isEmpty() || info.isSymLink())
        return real;
    const QString folder = resolved(info.path());
    return folder.isEmpty() ? QString()
                            : QDir::cleanPath(folder + QLatin1Char('/') + info.fileName());
}

// Whether `file` really lies in the folder the page `page` really lies in, or
// below it. A link inside the folder that leads out of it (to a secret file,
// to /etc, to /) is outside: what counts is what would be read.
bool isInsideFolderOf(const QUrl& file, const QUrl& page)
{
    if (!page.isLocalFile())
        return false;
    const QString pagePath = realPath(page.toLocalFile());
    const QString path = realPath(file.toLocalFile());
    if (pagePath.isEmpty() || path.isEmpty())
        return false;
    QString folder = QFileInfo(pagePath).path();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return path.startsWith(folder);
}

// The engine shows a folder as a listing of its files (names, sizes, dates):
// no page asks for that.
bool isFolder(const QUrl& file)
{
    return QFileInfo(file.toLocalFile()).isDir();
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
        return typedNavigation && !isFolder(request);
    case LocalRequestKind::Stylesheet:
    case LocalRequestKind::Image:
    case LocalRequestKind::Font:
    case LocalRequestKind::Media:
        // Nothing of these is read back by a script: a style sheet, a picture or a
        // font from anywhere only changes how the page looks.
        return true;
    case LocalRequestKind::Script:
        // A script that fails to run reports its first words in its error message,
        // which the page can read: a script from anywhere would read any file.
    case LocalRequestKind::SubFrame:
        // Local files are one origin to the engine: a script can read any frame.
        return !isFolder(request) && isInsideFolderOf(request, page);
    case LocalRequestKind::Other:
        break;
    }
    return false;
}
