#pragma once

#include <QByteArray>
#include <QString>

// Files read and written in one piece. Failures are worded by FileErrorText
// ("Cannot read …" or "Cannot write …" with the path as given); error may be
// null.

enum class ByteOrderMark { Keep, Drop };

// What editors on other systems may put ahead of a text file's first line.
inline const QByteArray Utf8ByteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");

// The whole content of the file at path. With ByteOrderMark::Drop a UTF-8 byte
// order mark at the very start is no part of the content (one mark only).
// Fails for an empty path, anything but a regular file (a folder, a FIFO that
// would wait for a writer, a device that never ends), a file of more than
// maxBytes (when not negative) and a read that fails part way; bytes are then
// left unchanged.
bool ReadWholeFile(const QString& path, QByteArray* bytes, QString* error,
    ByteOrderMark mark = ByteOrderMark::Keep, qint64 maxBytes = -1);

// Replaces the file at path with bytes: they go into a temporary file beside
// it, which is renamed over it once every byte is written, so a failure (a
// short write on a full disk included) leaves the old file whole.
bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* error);

// WriteWholeFile with the content of the file `from`. The kernel copies the
// bytes where the file system allows (copy_file_range), so a large file never
// passes through this process's memory.
bool CopyWholeFile(const QString& from, const QString& to, QString* error);
