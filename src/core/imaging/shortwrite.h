#pragma once

#include "core/files/fileerror.h"

#include <QString>
#include <QtGlobal>
#include <atomic>
#include <cerrno>

// The rule of the encoders' files: a write cut short (a full disk, a size limit)
// is a failure, and so is every write after it, so that the count the file
// engine reports never lets a truncated file pass as whole. The system's reason
// is kept in `code`: the file engine reports a write cut short as no error.
template <typename Write>
qint64 WriteAllOrFail(bool* shortWrite, int* code, qint64 length, Write write)
{
    if (*shortWrite)
        return -1;
    errno = 0;
    const qint64 written = write();
    if (written != length) {
        *shortWrite = true;
        *code = errno;
        return -1;
    }
    return written;
}

// Whether the writing is to stop: nobody waits for the file any more (see
// SaveImageFiles). Looked at on every write, so an encoder stops within a band of
// rows.
inline bool StopRequested(const std::atomic<bool>* stop)
{
    return stop && stop->load(std::memory_order_relaxed);
}

// Why a write was cut short, in words ("The disk is full").
inline QString ShortWriteText(int code)
{
    return code != 0 ? SystemErrorText(code) : DiskFullText;
}
