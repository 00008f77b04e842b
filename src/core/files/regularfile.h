#pragma once

#include <QFile>
#include <QString>

// What kept a path from being opened as a regular file.
enum class RegularFileFault {
    None,
    // Nothing of that name (or a link to nothing).
    Missing,
    // A folder, a FIFO, a device, a socket.
    NotRegular,
    // Links that lead round in a circle, or too deep.
    LinkLoop,
    // Anything else: no permission, an I/O error.
    Other,
};

// Opens path for reading only when it names a regular file (a symbolic link to
// one counts). Files named by the user or in the settings may point anywhere: a
// FIFO would block the open until some writer appears, and a device such as
// /dev/zero would never end. Returns false with the reason for anything else, and
// in `fault` (when not null) which kind of reason it is.
bool OpenRegularFile(
    const QString& path, QFile* file, QString* error, RegularFileFault* fault = nullptr);
