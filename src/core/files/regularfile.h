#pragma once

#include <QFile>
#include <QString>

// Opens path for reading only when it names a regular file (a symbolic link to
// one counts). Pictures named in the settings may point anywhere: a FIFO would
// block the open until some writer appears, and a device such as /dev/zero
// would never end. Returns false with the reason for anything else.
bool OpenRegularFile(const QString& path, QFile* file, QString* error);
