#include "fileerror.h"

#include <cerrno>
#include <cstring>

QString FileErrorText(const QString& action, const QString& path, const QString& reason)
{
    // One arg() call, so that a "%1" inside the path is never replaced again.
    return QStringLiteral("Cannot %1 %2: %3").arg(action, path, reason);
}

QString SystemErrorText(int code)
{
    if (code == ENOSPC || code == EDQUOT)
        return DiskFullText;
    return QString::fromLocal8Bit(std::strerror(code));
}
