#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

// One line of a text file's bytes and the line end that followed it (empty for
// a last line without one), both views into the bytes split.
struct ByteLine
{
    QByteArrayView content;
    QByteArrayView ending;
};

// The lines of a text file's bytes, ended by CR LF, a lone CR or a lone LF, so
// files made on any system read alike. A line end after the last line does not
// start another, empty line. The locale's encoding keeps CR, LF and TAB as
// themselves, so splitting the bytes gives the lines of the decoded text.
QList<ByteLine> SplitByteLines(QByteArrayView bytes);

// The text with TAB, CR and LF replaced by blanks, for fields of TAB-separated
// line files, which have no escaping.
QString OneLineField(const QString& field);
