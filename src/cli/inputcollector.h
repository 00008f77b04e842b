#pragma once

#include "cli/pageinput.h"

#include <QCoreApplication>
#include <QList>
#include <QStringList>

class QIODevice;

// Turns the command line's inputs into pages, in order: a web address or a
// local file is one page, a .ulf list file gives one page per line, and "-"
// one page per line of standard input (the text before a TAB, blank lines
// skipped, so a piped .ulf list reads like the file). A local file is taken by
// its absolute path, a list's files relative to the list. A line that is not
// text (NUL bytes, or bytes the locale cannot decode) is no address: it is
// skipped and named in skippedLines().
//
// An input that names no file but looks like a host name is a web address, as
// in a browser's address bar: "example.org/news" is https://example.org/news,
// a loopback host (localhost, 127.0.0.1, [::1]) is http. A command-line input
// that is neither a file, nor such a name, nor an address with a scheme is a
// missing file: collect() fails at once with "NAME: No such file".
class InputCollector
{
    Q_DECLARE_TR_FUNCTIONS(InputCollector)

public:
    // `standardInput` is read once, at the first "-"; null reads nothing.
    explicit InputCollector(QIODevice* standardInput);

    // False, with the reason, when a list cannot be read or an input names a
    // missing file.
    bool collect(const QStringList& inputs, QList<PageInput>* pages, QString* error);
    // "LIST line N: not text, skipped" for each line skipped, in order.
    const QStringList& skippedLines() const { return m_skipped; }

    // The web address a host name stands for, or empty when `input` is none.
    static QString hostAddress(const QString& input);

private:
    QIODevice* m_standardInput;
    bool m_standardInputRead = false;
    QStringList m_skipped;
};
