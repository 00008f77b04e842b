#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Files written into a folder people look at (the output folder) carry a hidden
// name beside their own until they are whole: ".<name>.pagelith-<pid>-<n>.<ext>".
// A run that is killed leaves only such hidden files; the number names the run
// that wrote them, so that a later run can tell its own from the leftovers of a
// run that is gone. The extension stays last, since some writers go by it.

// A new hidden name for `finalPath`, beside it, that no other call of this
// process returns.
QString PartialFileName(const QString& finalPath);

// The hidden files of any run in `folder` (file names), by the name they stand
// in for: names being written at this moment, or left by a killed run. The
// name is that of PartialKey().
QHash<QString, QStringList> PartialFilesByName(const QString& folder);
// The file name of `finalPath` as its hidden files carry it (a very long name
// shortened).
QString PartialKey(const QString& finalPath);

// Removes the hidden files of `folder` (those above, and the temporary files
// made from them) older than `minAgeSeconds` whose run is gone; the number removed.
int RemoveStalePartialFiles(const QString& folder, int minAgeSeconds = 60);

// Whether the process `pid` no longer exists. Unknown or this process: false.
bool ProcessIsGone(qint64 pid);
