#include "engine/setup/renderermemory.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <csignal>
#include <unistd.h>

namespace {

QByteArray readProcFile(qint64 pid, const char* name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return QByteArray();
    // Small files; the command line may hold a few kilobytes of switches.
    return file.read(64 * 1024);
}

// The parent of `pid` from /proc/<pid>/stat, or 0. The command's name in
// parentheses may hold blanks and parentheses: the fields start after the last ')'.
qint64 parentOf(qint64 pid)
{
    const QByteArray stat = readProcFile(pid, "stat");
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return 0;
    const QList<QByteArray> fields = stat.mid(close + 1).simplified().split(' ');
    // state, ppid, ...
    return fields.size() > 1 ? fields.at(1).toLongLong() : 0;
}

// Chromium's child processes rewrite their command line as one text, the switches
// separated by blanks instead of NUL bytes.
bool isRenderer(const QByteArray& commandLine)
{
    const QByteArray flag = "--type=renderer";
    for (qsizetype at = commandLine.indexOf(flag); at >= 0;
         at = commandLine.indexOf(flag, at + 1)) {
        const qsizetype end = at + flag.size();
        const bool starts
            = at == 0 || commandLine.at(at - 1) == ' ' || commandLine.at(at - 1) == '\0';
        const bool ends = end == commandLine.size() || commandLine.at(end) == ' '
            || commandLine.at(end) == '\0';
        if (starts && ends)
            return true;
    }
    return false;
}

QElapsedTimer& lastMemoryEnd()
{
    static QElapsedTimer clock;
    return clock;
}

} // namespace

qint64 ResidentBytesOf(qint64 pid)
{
    if (pid <= 0)
        return 0;
    // "size resident shared ..." in pages.
    const QList<QByteArray> fields = readProcFile(pid, "statm").split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * ::sysconf(_SC_PAGESIZE) : 0;
}

QList<qint64> RendererProcessesBelow(qint64 rootPid)
{
    QList<qint64> renderers;
    if (rootPid <= 0)
        return renderers;
    QHash<qint64, QList<qint64>> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number)
            children[parentOf(pid)].append(pid);
    }
    QList<qint64> pending = children.value(rootPid);
    while (!pending.isEmpty()) {
        const qint64 pid = pending.takeLast();
        pending += children.value(pid);
        if (isRenderer(readProcFile(pid, "cmdline")))
            renderers.append(pid);
    }
    return renderers;
}

void EndRendererForMemory(qint64 pid)
{
    if (pid <= 0)
        return;
    ::kill(pid_t(pid), SIGKILL);
    lastMemoryEnd().start();
}

bool RendererEndedForMemoryWithin(int ms)
{
    return lastMemoryEnd().isValid() && lastMemoryEnd().elapsed() <= ms;
}
