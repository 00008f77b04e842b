#include "renderermemory.h"

#include <QByteArray>
#include <QFile>
#include <unistd.h>

qint64 ResidentBytesOf(qint64 pid)
{
    if (pid <= 0)
        return 0;
    // "size resident shared ..." in pages.
    QFile statm(QStringLiteral("/proc/%1/statm").arg(pid));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readLine().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * ::sysconf(_SC_PAGESIZE) : 0;
}
