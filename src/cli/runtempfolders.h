#pragma once

#include <QString>

// Each run keeps its temporary files in a folder of its own,
// "pagelith-convert-<pid>-XXXXXX", named after its process so that a run that
// was killed can be recognised later by a process that no longer exists.

// The template for QTemporaryDir, in `base`.
QString RunTempFolderTemplate(const QString& base, qint64 pid);

// Removes the folders in `base` that match the pattern exactly, belong to this
// user and whose process is gone. Nothing else is touched: no other names, no
// symbolic links, no folder of a living (or foreign) process. Returns how many
// went.
int RemoveDeadRunFolders(const QString& base);
