#pragma once

#include <QStringList>

// What the desktop program is asked to open on its command line, or by a later
// start that handed its command line over: the rows for the batch list, and
// what could not be opened.
struct StartInputs
{
    QStringList addresses;
    QStringList problems;
};

// Web addresses stay as they are; a local file (a path, or a file: URL as a
// desktop's "Open with" gives it) becomes its absolute path, read against
// `workingFolder`, the folder the program was started in; a .ulf list file
// gives the addresses of its lines. Arguments that start with '-' are options,
// not inputs.
StartInputs ResolveStartArguments(const QStringList& arguments, const QString& workingFolder);
