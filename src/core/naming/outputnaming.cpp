#include "core/naming/outputnaming.h"

#include "core/files/fileerror.h"
#include "core/files/partialfiles.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// NAME_MAX of the common Linux file systems, in bytes of the encoded name.
constexpr qsizetype MaxFileNameBytes = 255;

QString JoinFolder(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

// Bytes of one character (a code point: a surrogate pair counts once) in the
// encoding of file names.
qsizetype EncodedLength(QStringView character)
{
    if (character.size() == 1 && character.at(0).unicode() < 0x80)
        return 1;
    return QFile::encodeName(character.toString()).size();
}

// stem + suffix, with the stem cut (whole characters only) until the file
// name fits. A trailing "_<number>" of the stem is the bitmap's numbering and
// is kept, so the names derived from a numbered bitmap stay distinct; the
// folder part of a path-like stem is kept as it is.
QString FitFileName(const QString& pathStem, const QString& suffix)
{
    const qsizetype slash = pathStem.lastIndexOf(QLatin1Char('/'));
    const QString folderPart = pathStem.left(slash + 1);
    QString stem = pathStem.mid(slash + 1);

    qsizetype numberStart = stem.size();
    while (numberStart > 0 && stem.at(numberStart - 1).isDigit()
        && stem.at(numberStart - 1).unicode() < 128)
        --numberStart;
    QString kept;
    if (numberStart < stem.size() && numberStart > 0
        && stem.at(numberStart - 1) == QLatin1Char('_')) {
        kept = stem.mid(numberStart - 1);
        stem.truncate(numberStart - 1);
    }
    kept += suffix;
    // A long run of digits is a name, not a number this program gave: kept
    // whole, it alone would make the name too long.
    if (QFile::encodeName(kept).size() > MaxFileNameBytes) {
        stem = pathStem.mid(slash + 1);
        kept = suffix;
    }

    // Walk forward over whole characters while they fit: the walk ends after
    // at most MaxFileNameBytes characters, so a value of any length costs the
    // same, where cutting from the end and encoding again grew with its square.
    const qsizetype budget = MaxFileNameBytes - QFile::encodeName(kept).size();
    qsizetype used = 0;
    qsizetype end = 0;
    while (end < stem.size()) {
        qsizetype length = 1;
        if (end + 1 < stem.size() && stem.at(end).isHighSurrogate()
            && stem.at(end + 1).isLowSurrogate())
            length = 2;
        const qsizetype bytes = EncodedLength(QStringView(stem).mid(end, length));
        if (used + bytes > budget)
            break;
        used += bytes;
        end += length;
    }
    stem.truncate(end);
    return folderPart + stem + kept;
}

// The bitmap path without its last four characters (".BMP" or ".bmp").
QString StemOf(const QString& bitmapPath)
{
    return bitmapPath.left(qMax<qsizetype>(0, bitmapPath.size() - 4));
}

// The n-th name of a bitmap's numbering; -1 the name without a number.
QString BitmapCandidate(const QString& basePath, qint64 n)
{
    return n < 0 ? basePath : FitFileName(StemOf(basePath), QStringLiteral("_%1.bmp").arg(n));
}

QString FinalCandidate(const QString& bitmapPath, const QString& extension, qint64 n)
{
    const QString suffix = n < 0 ? extension : QStringLiteral("_%1").arg(n) + extension;
    return FitFileName(StemOf(bitmapPath), suffix);
}

enum class CreateResult { Created, Taken, Failed };

// O_EXCL makes "is it free" and "take it" one step for every process on the
// machine; a dangling symbolic link counts as taken too, so nothing is ever
// written through one.
CreateResult CreateExclusively(const QString& path, QString* error)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
        return CreateResult::Created;
    }
    if (errno == EEXIST)
        return CreateResult::Taken;
    *error = FileErrorText(QStringLiteral("create"), path, SystemErrorText(errno));
    return CreateResult::Failed;
}

// A file, a folder, or a symbolic link even to nothing: nothing is ever
// written through one.
bool IsTaken(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

template <typename Candidate> OutputClaim ClaimFirstFree(bool addNumber, Candidate candidate)
{
    OutputClaim claim;
    if (!addNumber) {
        claim.path = candidate(-1);
        return claim;
    }
    QString folder;
    QHash<QString, QStringList> partials;
    for (qint64 n = -1;; ++n) {
        const QString path = candidate(n);
        const QString key = PartialKey(path);
        if (QFileInfo(path).path() != folder) {
            folder = QFileInfo(path).path();
            partials = PartialFilesByName(folder);
        }
        if (IsTaken(path) || partials.contains(key))
            continue;
        const QString partial = PartialFileName(path);
        switch (CreateExclusively(partial, &claim.error)) {
        case CreateResult::Created:
            break;
        case CreateResult::Taken:
            continue;
        case CreateResult::Failed:
            // Named by the name the user knows.
            claim.error.replace(partial, path);
            return claim;
        }
        // Every claimer makes its hidden file first and looks for others after:
        // of two runs after one name, at least the later one sees the other and
        // moves on, so that two never keep the same name.
        partials = PartialFilesByName(folder);
        if (IsTaken(path) || partials.value(key) != QStringList { QFileInfo(partial).fileName() }) {
            QFile::remove(partial);
            continue;
        }
        claim.path = path;
        claim.partial = partial;
        claim.placeholder = true;
        return claim;
    }
}

QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value % 100, 2, 10, QLatin1Char('0'));
}

} // namespace

QString UrlToFileName(const QString& address)
{
    // A password in the address is never part of a name, and a port stays apart
    // from the host: "127_0_0_1_8765", not "127_0_0_18765".
    static const QRegularExpression password(
        QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*://[^/?#@:]*):[^/?#@]*@"));
    static const QRegularExpression port(QStringLiteral(":(?=\\d)"));
    QString name = address;
    name.replace(password, QStringLiteral("\\1@"));
    name.replace(port, QStringLiteral("_"));
    name.remove(QStringLiteral("https"));
    name.remove(QStringLiteral("http"));
    name.replace(QLatin1Char('.'), QLatin1Char('_'));
    name.remove(QLatin1Char(':'));
    name.remove(QLatin1Char('/'));
    name.replace(QLatin1Char('\\'), QLatin1Char('_'));
    name.replace(QLatin1Char('*'), QLatin1Char('_'));
    name.replace(QLatin1Char('?'), QLatin1Char('_'));
    name.replace(QLatin1Char('>'), QLatin1Char('_'));
    name.replace(QLatin1Char('<'), QLatin1Char('_'));
    name.replace(QLatin1Char('|'), QLatin1Char('_'));
    return name;
}

QString SanitizeCustomFileName(const QString& name)
{
    QString safe = name;
    safe.replace(QLatin1Char('/'), QLatin1Char('_'));
    safe.replace(QChar(0), QLatin1Char('_'));
    return safe;
}

QString DateTimeStamp(const QDateTime& t)
{
    const QDate date = t.date();
    const QTime time = t.time();
    return TwoDigits(date.month()) + TwoDigits(date.day()) + TwoDigits(date.year())
        + TwoDigits(time.hour()) + TwoDigits(time.minute()) + TwoDigits(time.second());
}

QString BitmapBasePath(const QString& folder, bool customName, const QString& fileName,
    bool dateTime, const QDateTime& now, const QString& address)
{
    // Sanitised for the address too: a NUL in it would cut the path short.
    if (!customName)
        return JoinFolder(folder,
            FitFileName(SanitizeCustomFileName(UrlToFileName(address)), QStringLiteral(".BMP")));
    // A name too long is cut before the stamp, which tells pages apart.
    const QString stamp = dateTime ? DateTimeStamp(now) : QString();
    return JoinFolder(
        folder, FitFileName(SanitizeCustomFileName(fileName), stamp + QStringLiteral(".BMP")));
}

QString NumberedBitmapPath(const QString& basePath, bool addNumber, const FileExistsFn& exists)
{
    if (!addNumber || !exists || !exists(basePath))
        return basePath;
    for (qint64 n = 0;; ++n) {
        const QString candidate = BitmapCandidate(basePath, n);
        if (!exists(candidate))
            return candidate;
    }
}

QString FinalOutputPath(const QString& bitmapPath, const QString& extensionWithoutDot,
    bool addNumber, const FileExistsFn& exists)
{
    const QString extension = QLatin1Char('.') + extensionWithoutDot;
    const QString path = FinalCandidate(bitmapPath, extension, -1);
    if (!addNumber || !exists || !exists(path))
        return path;
    for (qint64 m = 0;; ++m) {
        const QString candidate = FinalCandidate(bitmapPath, extension, m);
        if (!exists(candidate))
            return candidate;
    }
}

OutputClaim ClaimBitmapPath(const QString& basePath, bool addNumber)
{
    return ClaimFirstFree(
        addNumber, [&basePath](qint64 n) { return BitmapCandidate(basePath, n); });
}

OutputClaim ClaimFinalOutputPath(
    const QString& bitmapPath, const QString& extensionWithoutDot, bool addNumber)
{
    const QString extension = QLatin1Char('.') + extensionWithoutDot;
    return ClaimFirstFree(addNumber,
        [&bitmapPath, &extension](qint64 n) { return FinalCandidate(bitmapPath, extension, n); });
}

OutputClaim ClaimThumbnailPath(const QString& imagePath, bool addNumber)
{
    const QString first = ThumbnailPathFor(imagePath);
    const QString stem = first.left(first.size() - 4);
    return ClaimFirstFree(addNumber, [&first, &stem](qint64 n) {
        return n < 0 ? first : FitFileName(stem, QStringLiteral("_%1.jpg").arg(n));
    });
}

QString FreeBitmapPath(const QString& basePath, bool addNumber)
{
    const QHash<QString, QStringList> partials = PartialFilesByName(QFileInfo(basePath).path());
    return NumberedBitmapPath(basePath, addNumber, [&partials](const QString& path) {
        return IsTaken(path) || partials.contains(PartialKey(path));
    });
}

QString ThumbnailPathFor(const QString& imagePath)
{
    // Every image name ends in an extension this program gave it; a dot in the
    // folder part is no extension.
    const qsizetype slash = imagePath.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = imagePath.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash ? imagePath.left(dot) : imagePath;
    return FitFileName(stem, QStringLiteral("_Thumbnail.jpg"));
}
