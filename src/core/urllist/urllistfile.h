#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A saved batch list (*.ulf): one line per row, the address, a TAB and the
// row's output format, each line ended by CR LF, in the locale's encoding.

struct UrlListRow
{
    QString address;
    QString format;
};

// Writes the rows in order; an empty list gives an empty file. The file is
// replaced atomically, so a failed save leaves the old file whole. A TAB, CR
// or LF inside a cell is written as a blank, since the format has no escaping.
bool SaveUrlList(const QString& path, const QList<UrlListRow>& rows, QString* error);

// The address of every line (the text before its first TAB), in order. Lines
// may end in CR LF, CR or LF; empty lines and lines with an empty address are
// skipped. On failure addresses is left unchanged.
// With `notTextLines`, a line that is not text (a NUL byte, or bytes the
// locale's encoding cannot decode) is skipped too and its number (from 1) is
// added there; without it such a line is read with U+FFFD for its bad bytes.
bool LoadUrlList(const QString& path, QStringList* addresses, QString* error,
    QList<int>* notTextLines = nullptr);

// The addresses of a list's bytes, read as LoadUrlList reads a file (a list
// piped in on standard input, for one).
QStringList UrlListAddresses(const QByteArray& bytes, QList<int>* notTextLines = nullptr);
