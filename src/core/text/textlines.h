#pragma once

#include <QString>
#include <QStringList>

// Splits text into lines ended by CR LF, a lone CR or a lone LF, so files made
// on any system read alike. A line end after the last line does not start
// another, empty line.
QStringList SplitTextLines(const QString& text);

// The text with TAB, CR and LF replaced by blanks, for fields of TAB-separated
// line files, which have no escaping.
QString OneLineField(const QString& field);
