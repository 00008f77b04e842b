#pragma once

#include <QList>
#include <QPair>
#include <QString>

// A file written under a hidden name (first) that is to take its own name (second).
using StagedFile = QPair<QString, QString>;

// Moves every staged file to its name, in the order given, all or nothing: each
// rename replaces the old file in one step, and the file it replaced is kept under
// a hidden name beside it until every rename has succeeded. When one fails, every
// earlier one is undone: the staged files are back under their hidden names and
// the names hold what they held before. On failure *failedName is the name that
// could not be taken and *errorCode the system's reason (an errno value).
bool CommitStagedFiles(const QList<StagedFile>& files, QString* failedName, int* errorCode);
