#include "core/files/filelinks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

bool LinkFileAs(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    const QFileInfo info(to);
    // A hidden name beside the target first: link() never replaces a file.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QString side = info.dir().filePath(
            QStringLiteral(".%1.%2.pagelith-link")
                .arg(info.fileName())
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        const QByteArray sideName = QFile::encodeName(side);
        if (::link(source.constData(), sideName.constData()) != 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        if (::rename(sideName.constData(), target.constData()) == 0)
            return true;
        ::unlink(sideName.constData());
        return false;
    }
    return false;
}

bool FlushFileToDisk(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool flushed = ::fdatasync(fd) == 0;
    ::close(fd);
    return flushed;
}
