#include "core/files/fileerror.h"

#include <cerrno>
#include <cstring>

namespace {

// The GNU strerror_r gives back its text, the POSIX one fills the buffer: either
// way a text that no other thread's call changes.
[[maybe_unused]] const char* ErrorTextOf(const char* result, const char*)
{
    return result;
}
[[maybe_unused]] const char* ErrorTextOf(int result, const char* buffer)
{
    return result == 0 ? buffer : nullptr;
}

} // namespace

QString FileErrorText(const QString& action, const QString& path, const QString& reason)
{
    // One arg() call, so that a "%1" inside the path is never replaced again.
    return QStringLiteral("Cannot %1 %2: %3").arg(action, path, reason);
}

QString SystemErrorText(int code)
{
    if (code == ENOSPC || code == EDQUOT)
        return DiskFullText;
    // Writers call this on their own threads: strerror() shares one buffer.
    char buffer[256] = {};
    const char* text = ErrorTextOf(strerror_r(code, buffer, sizeof buffer), buffer);
    return text ? QString::fromLocal8Bit(text) : QStringLiteral("Unknown error %1").arg(code);
}
