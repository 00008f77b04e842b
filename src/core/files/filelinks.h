#pragma once

#include <QString>

// Gives the file `from` the second name `to` (a hard link), replacing whatever
// `to` names, so that `to` appears whole or not at all. False, with nothing
// changed, when the two folders are on different file systems, the file system
// has no links, or anything else fails: the caller then copies.
bool LinkFileAs(const QString& from, const QString& to);

// Asks the system to put the file's data on the disk now, as a file that is
// renamed into place normally is; false when it cannot.
bool FlushFileToDisk(const QString& path);
