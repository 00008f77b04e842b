#pragma once

#include "pageinput.h"

#include <QList>
#include <QStringList>

class QIODevice;

// Turns the command line's inputs into pages, in order: a web address or a
// local file is one page, a .ulf list file gives one page per line, and "-"
// one page per line of standard input (the text before a TAB, blank lines
// skipped, so a piped .ulf list reads like the file). A local file is taken by
// its absolute path, a list's files relative to the list.
class InputCollector
{
public:
    // `standardInput` is read once, at the first "-"; null reads nothing.
    explicit InputCollector(QIODevice* standardInput);

    // False, with the reason, when a list cannot be read.
    bool collect(const QStringList& inputs, QList<PageInput>* pages, QString* error);

private:
    QIODevice* m_standardInput;
    bool m_standardInputRead = false;
};
