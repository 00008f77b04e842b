#include "core/files/partialfiles.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <limits>
#include <unistd.h>

namespace {

// The longest file name the file systems here take, in bytes.
constexpr int MaxNameBytes = 255;
// Room for ".pagelith-<pid>-<n>", a temporary file's suffix after it, and the dot.
constexpr int TagRoomBytes = 48;

const QString Tag = QStringLiteral(".pagelith-");

// ".<name>.pagelith-<pid>-<n>" and anything after it (the extension, and the
// suffix of a temporary file made from it).
const QRegularExpression& PartialPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\.(.*)\\.pagelith-([1-9][0-9]{0,9})-([0-9]{1,10})(\\..*)?$"));
    return pattern;
}

// The part of the name ahead of the tag, shortened so that the hidden name still fits.
QString Head(const QString& baseName, const QString& extension)
{
    QString head = baseName;
    while (!head.isEmpty()
        && QFile::encodeName(head + extension).size() + TagRoomBytes > MaxNameBytes) {
        head.chop(head.size() > 1 && head.at(head.size() - 1).isLowSurrogate() ? 2 : 1);
    }
    return head;
}

struct NameParts
{
    QString head;
    QString extension;
};

NameParts PartsOf(const QFileInfo& info)
{
    const QString extension
        = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QString baseName = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
    return { Head(baseName, extension), extension };
}

} // namespace

QString PartialFileName(const QString& finalPath)
{
    static std::atomic<quint64> counter { 0 };
    const QFileInfo info(finalPath);
    const NameParts parts = PartsOf(info);
    return info.dir().filePath(QLatin1Char('.') + parts.head + Tag
        + QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-')
        + QString::number(++counter) + parts.extension);
}

QString PartialKey(const QString& finalPath)
{
    const NameParts parts = PartsOf(QFileInfo(finalPath));
    return parts.head + parts.extension;
}

QHash<QString, QStringList> PartialFilesByName(const QString& folder)
{
    QHash<QString, QStringList> names;
    const QStringList entries
        = QDir(folder).entryList({ QStringLiteral(".*") + Tag + QLatin1Char('*') },
            QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        const QRegularExpressionMatch match = PartialPattern().match(entry);
        // Only the hidden file itself: a temporary file made from one has a
        // second extension.
        if (!match.hasMatch() || match.captured(4).indexOf(QLatin1Char('.'), 1) >= 0)
            continue;
        names[match.captured(1) + match.captured(4)].append(entry);
    }
    return names;
}

int RemoveStalePartialFiles(const QString& folder, int minAgeSeconds)
{
    const QDir dir(folder);
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-minAgeSeconds);
    int removed = 0;
    const QStringList entries = dir.entryList({ QStringLiteral(".*") + Tag + QLatin1Char('*') },
        QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        const QRegularExpressionMatch match = PartialPattern().match(entry);
        if (!match.hasMatch())
            continue;
        const QFileInfo info(dir.filePath(entry));
        // Another user's files, and links, are not ours to remove.
        if (info.isSymLink() || info.ownerId() != ::getuid()
            || info.lastModified().toUTC() > before)
            continue;
        if (ProcessIsGone(match.captured(2).toLongLong()) && QFile::remove(info.filePath()))
            ++removed;
    }
    return removed;
}

bool ProcessIsGone(qint64 pid)
{
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max() || pid == qint64(::getpid()))
        return false;
    // EPERM: it exists, under another user.
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}
