#include "engine/capture/localfilerule.h"

#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QUrl>
#include <cstdlib>
#include <optional>
#include <sys/stat.h>

namespace {

// The file a file:// address names, as the bytes the browser hands to the
// system: the path percent-decoded to bytes, not to text. QUrl::toLocalFile()
// decodes to text, and a byte that is no UTF-8 becomes a replacement character
// there: a name that exists on the disk would be judged as another, missing one.
// No value when the address names nothing this rule can vouch for.
std::optional<QByteArray> fileBytes(const QUrl& url)
{
    if (!url.isLocalFile())
        return std::nullopt;
    // A file address on another host is no file of this machine.
    const QString host = url.host();
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
    // An escaped slash would be a separator to the system but not to the address.
    if (encoded.contains("%2F") || encoded.contains("%2f"))
        return std::nullopt;
    const QByteArray path = QByteArray::fromPercentEncoding(encoded);
    if (!path.startsWith('/') || path.contains('\0'))
        return std::nullopt;
    // Only a name that reads as text and back to the same bytes (valid, shortest
    // UTF-8) is one whose every byte we know the meaning of.
    if (QFile::encodeName(QFile::decodeName(path)) != path)
        return std::nullopt;
    return path;
}

QByteArray systemRealPath(const QByteArray& path)
{
    char* real = ::realpath(path.constData(), nullptr);
    const QByteArray result = real ? QByteArray(real) : QByteArray();
    std::free(real);
    return result;
}

// "." and ".." and repeated slashes gone, by text, as the address resolves them.
QByteArray cleanPath(const QByteArray& path)
{
    QList<QByteArray> parts;
    for (const QByteArray& part : path.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    return '/' + parts.join('/');
}

// Where a path really leads: links followed and "." and ".." gone. A missing name
// is placed in the real folder it would be in. A link that leads nowhere real (to
// nothing, in a circle, somewhere we may not look) has no real path (empty): it is
// inside no folder.
QByteArray realPath(const QByteArray& path)
{
    const QByteArray clean = cleanPath(path);
    const QByteArray real = systemRealPath(clean);
    struct stat info;
    if (!real.isEmpty() || ::lstat(clean.constData(), &info) == 0)
        return real;
    const qsizetype slash = clean.lastIndexOf('/');
    const QByteArray folder = systemRealPath(slash > 0 ? clean.left(slash) : QByteArray("/"));
    if (folder.isEmpty())
        return QByteArray();
    return (folder.endsWith('/') ? folder : folder + '/') + clean.mid(slash + 1);
}

bool isFolder(const QByteArray& path)
{
    struct stat info;
    return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

QByteArray nameOf(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// A frame shows what the browser makes of the file by its name: only pages and
// plain pictures, never a key, a settings file or a program's data shown as text.
bool isDocumentName(const QByteArray& name)
{
    static const QList<QByteArray> extensions { ".html", ".htm", ".xhtml", ".xht", ".shtml", ".svg",
        ".png", ".jpg", ".jpeg", ".gif", ".webp", ".bmp", ".ico", ".avif" };
    const QByteArray lower = name.toLower();
    for (const QByteArray& extension : extensions) {
        if (lower.size() > extension.size() && lower.endsWith(extension))
            return true;
    }
    return false;
}

// Where the file of `request` lies in the folder of `page`, as the real path below
// that folder ("sub/frame.html"); no value when it lies elsewhere, is a folder, or
// is hidden (a name starting with "." on the way, or the requested name itself).
std::optional<QByteArray> placeInFolder(const QUrl& request, const QUrl& page)
{
    const std::optional<QByteArray> pageBytes = fileBytes(page);
    const std::optional<QByteArray> requestBytes = fileBytes(request);
    if (!pageBytes || !requestBytes)
        return std::nullopt;
    const QByteArray pagePath = realPath(*pageBytes);
    const QByteArray path = realPath(*requestBytes);
    if (pagePath.isEmpty() || path.isEmpty() || isFolder(path))
        return std::nullopt;
    QByteArray folder = pagePath.left(pagePath.lastIndexOf('/') + 1);
    if (!path.startsWith(folder))
        return std::nullopt;
    const QByteArray below = path.mid(folder.size());
    for (const QByteArray& part : below.split('/')) {
        if (part.startsWith('.'))
            return std::nullopt;
    }
    if (nameOf(cleanPath(*requestBytes)).startsWith('.'))
        return std::nullopt;
    return below;
}

bool isDocumentInFolder(const QUrl& request, const QUrl& page)
{
    const std::optional<QByteArray> below = placeInFolder(request, page);
    return below && isDocumentName(nameOf(*below))
        && isDocumentName(nameOf(cleanPath(*fileBytes(request))));
}

} // namespace

bool LocalRequestAllowed(
    LocalRequestKind kind, const QUrl& request, const QUrl& page, bool typedNavigation)
{
    if (!request.isLocalFile())
        return true;
    switch (kind) {
    case LocalRequestKind::MainFrame: {
        // The page the converter loads, or a page it moves to in its own folder
        // under the frames' rule: a script that sends the page elsewhere on the
        // disk would have that file captured.
        if (!typedNavigation)
            return isDocumentInFolder(request, page);
        const std::optional<QByteArray> path = fileBytes(request);
        return path && !isFolder(*path);
    }
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
        return placeInFolder(request, page).has_value();
    case LocalRequestKind::SubFrame:
        // Local files are one origin to the engine: a script can read any frame,
        // and whatever a frame shows is in the output.
        return isDocumentInFolder(request, page);
    case LocalRequestKind::Other:
        break;
    }
    return false;
}

QString LocalFrameRemark(LocalRequestKind kind, const QUrl& request, const QUrl& page)
{
    if (kind != LocalRequestKind::SubFrame || !request.isLocalFile()
        || LocalRequestAllowed(kind, request, page, false) || !placeInFolder(request, page))
        return QString();
    const std::optional<QByteArray> path = fileBytes(request);
    return QCoreApplication::translate("LocalFileRule",
        "a frame showing %1 was left empty: a local page's frames show only pages and "
        "pictures")
        .arg(QFile::decodeName(nameOf(cleanPath(*path))));
}

QString LocalNavigationRefusedText()
{
    return QCoreApplication::translate(
        "LocalFileRule", "The page tried to open a local file outside its folder");
}
