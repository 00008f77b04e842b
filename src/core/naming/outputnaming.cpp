#include "outputnaming.h"

#include <QFile>

namespace {

// NAME_MAX of the common Linux file systems, in bytes of the encoded name.
constexpr qsizetype MaxFileNameBytes = 255;

QString JoinFolder(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
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

    while (!stem.isEmpty() && QFile::encodeName(stem + kept).size() > MaxFileNameBytes) {
        qsizetype cut = 1;
        if (stem.size() >= 2 && stem.at(stem.size() - 1).isLowSurrogate()
            && stem.at(stem.size() - 2).isHighSurrogate())
            cut = 2;
        stem.chop(cut);
    }
    return folderPart + stem + kept;
}

// The bitmap path without its last four characters (".BMP" or ".bmp").
QString StemOf(const QString& bitmapPath)
{
    return bitmapPath.left(qMax<qsizetype>(0, bitmapPath.size() - 4));
}

QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value % 100, 2, 10, QLatin1Char('0'));
}

} // namespace

QString UrlToFileName(const QString& address)
{
    QString name = address;
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
    const QString stem = StemOf(basePath);
    for (qint64 n = 0;; ++n) {
        const QString candidate = FitFileName(stem, QStringLiteral("_%1.bmp").arg(n));
        if (!exists(candidate))
            return candidate;
    }
}

QString FinalOutputPath(const QString& bitmapPath, const QString& extensionWithoutDot,
    bool addNumber, const FileExistsFn& exists)
{
    const QString stem = StemOf(bitmapPath);
    const QString extension = QLatin1Char('.') + extensionWithoutDot;
    const QString path = FitFileName(stem, extension);
    if (!addNumber || !exists || !exists(path))
        return path;
    for (qint64 m = 0;; ++m) {
        const QString candidate = FitFileName(stem, QStringLiteral("_%1").arg(m) + extension);
        if (!exists(candidate))
            return candidate;
    }
}

QString ThumbnailPathFor(const QString& bitmapPath)
{
    return FitFileName(StemOf(bitmapPath), QStringLiteral("_Thumbnail.jpg"));
}
