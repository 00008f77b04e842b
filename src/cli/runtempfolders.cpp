#include "cli/runtempfolders.h"

#include "core/files/partialfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <csignal>
#include <limits>
#include <unistd.h>

namespace {

const QString Prefix = QStringLiteral("pagelith-convert-");

} // namespace

QString RunTempFolderTemplate(const QString& base, qint64 pid)
{
    return QDir(base).filePath(Prefix + QString::number(pid) + QStringLiteral("-XXXXXX"));
}

int RemoveDeadRunFolders(const QString& base)
{
    // QTemporaryDir fills the six X with letters and digits.
    static const QRegularExpression pattern(
        QStringLiteral("^pagelith-convert-([1-9][0-9]{0,9})-[A-Za-z0-9]{6}$"));
    const QDir folder(base);
    int removed = 0;
    const QStringList names = folder.entryList(
        { Prefix + QLatin1Char('*') }, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (!match.hasMatch())
            continue;
        const QFileInfo info(folder.filePath(name));
        if (info.isSymLink() || !info.isDir() || info.ownerId() != ::getuid())
            continue;
        if (!ProcessIsGone(match.captured(1).toLongLong()))
            continue;
        if (QDir(info.filePath()).removeRecursively())
            ++removed;
    }
    return removed;
}
