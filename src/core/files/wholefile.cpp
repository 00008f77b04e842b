#include "core/files/wholefile.h"

#include "core/files/fileerror.h"
#include "core/files/regularfile.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace {

bool Fail(QString* error, const QString& action, const QString& path, const QString& reason)
{
    if (error)
        *error = FileErrorText(action, path, reason);
    return false;
}

// The atomic replacement shared by every write: `fill` writes the content and
// returns false when it could not, optionally with its own reason; without
// one the save file's reason is reported. Nothing is committed after a failure,
// and the temporary file goes with the QSaveFile.
template <typename Fill> bool SaveWhole(const QString& path, QString* error, Fill fill)
{
    QSaveFile file(path);
    // QSaveFile warns on an empty name; it is refused here with the same text.
    QString reason;
    if (!path.isEmpty() && file.open(QIODevice::WriteOnly) && fill(file, &reason) && file.commit())
        return true;
    return Fail(
        error, QStringLiteral("write"), path, reason.isEmpty() ? file.errorString() : reason);
}

// Copies in the kernel until done or until the file system offers no such
// copy; what was copied is counted off `left`.
void CopyInKernel(int in, int out, qint64* left)
{
    while (*left > 0) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size_t(*left), 0);
        if (n <= 0)
            return;
        *left -= n;
    }
}

} // namespace

bool ReadWholeFile(
    const QString& path, QByteArray* bytes, QString* error, ByteOrderMark mark, qint64 maxBytes)
{
    QFile in;
    QString reason;
    if (!OpenRegularFile(path, &in, &reason))
        return Fail(error, QStringLiteral("read"), path, reason);
    const QString tooLarge = QStringLiteral("It is larger than %1 bytes").arg(maxBytes);
    if (maxBytes >= 0 && in.size() > maxBytes)
        return Fail(error, QStringLiteral("read"), path, tooLarge);
    // One byte more than allowed is read, so that a file still growing is caught too.
    QByteArray content = maxBytes < 0 ? in.readAll() : in.read(maxBytes + 1);
    if (in.error() != QFileDevice::NoError)
        return Fail(error, QStringLiteral("read"), path, in.errorString());
    if (maxBytes >= 0 && content.size() > maxBytes)
        return Fail(error, QStringLiteral("read"), path, tooLarge);
    if (mark == ByteOrderMark::Drop && content.startsWith(Utf8ByteOrderMark))
        content.remove(0, Utf8ByteOrderMark.size());
    *bytes = content;
    return true;
}

bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* error)
{
    return SaveWhole(path, error, [&bytes](QSaveFile& file, QString* reason) {
        errno = 0;
        if (file.write(bytes) == bytes.size())
            return true;
        // A write cut short is no error to the file engine, which would say
        // "Unknown error"; the system knows why.
        *reason = errno != 0 ? SystemErrorText(errno) : DiskFullText;
        return false;
    });
}

bool CopyWholeFile(const QString& from, const QString& to, QString* error)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return Fail(error, QStringLiteral("read"), from, source.errorString());
    return SaveWhole(to, error, [&source](QSaveFile& target, QString* reason) {
        qint64 left = source.size();
        CopyInKernel(source.handle(), target.handle(), &left);
        if (left <= 0)
            return true;
        // Not on this file system: copy through a modest buffer.
        if (!source.seek(source.size() - left)) {
            *reason = source.errorString();
            return false;
        }
        QByteArray buffer(1 << 20, Qt::Uninitialized);
        while (left > 0) {
            const qint64 n = source.read(buffer.data(), std::min<qint64>(left, buffer.size()));
            if (n <= 0)
                return false;
            errno = 0;
            if (target.write(buffer.constData(), n) != n) {
                *reason = errno != 0 ? SystemErrorText(errno) : DiskFullText;
                return false;
            }
            left -= n;
        }
        return true;
    });
}
