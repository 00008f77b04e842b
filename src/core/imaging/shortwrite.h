#pragma once

#include <QtGlobal>

// The rule of the encoders' files: a write cut short (a full disk, a size limit)
// is a failure, and so is every write after it, so that the count the file
// engine reports never lets a truncated file pass as whole.
template <typename Write> qint64 WriteAllOrFail(bool* shortWrite, qint64 length, Write write)
{
    if (*shortWrite)
        return -1;
    const qint64 written = write();
    if (written != length) {
        *shortWrite = true;
        return -1;
    }
    return written;
}
