#include "core/files/regularfile.h"

#include "core/files/fileerror.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool OpenRegularFile(const QString& path, QFile* file, QString* error, RegularFileFault* fault)
{
    auto fail = [error, fault](RegularFileFault kind, const QString& reason) {
        if (error)
            *error = reason;
        if (fault)
            *fault = kind;
        return false;
    };
    if (fault)
        *fault = RegularFileFault::None;
    if (path.isEmpty())
        return fail(RegularFileFault::Missing, QStringLiteral("No file name given"));
    // Non-blocking, so that opening a FIFO returns at once; the type is then
    // checked on the descriptor itself, so the path cannot change in between.
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int code = errno;
        const RegularFileFault kind = code == ENOENT || code == ENOTDIR ? RegularFileFault::Missing
            : code == ELOOP                                             ? RegularFileFault::LinkLoop
                                                                        : RegularFileFault::Other;
        return fail(kind, SystemErrorText(code));
    }
    struct stat status;
    if (::fstat(fd, &status) != 0) {
        const int code = errno;
        ::close(fd);
        return fail(RegularFileFault::Other, SystemErrorText(code));
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        return fail(RegularFileFault::NotRegular,
            S_ISDIR(status.st_mode) ? QStringLiteral("It is a folder")
                                    : QStringLiteral("It is not a regular file"));
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(RegularFileFault::Other, file->errorString());
    }
    return true;
}
