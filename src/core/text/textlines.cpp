#include "core/text/textlines.h"

QList<ByteLine> SplitByteLines(QByteArrayView bytes)
{
    QList<ByteLine> lines;
    qsizetype start = 0;
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    while (i < n) {
        const char c = bytes.at(i);
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        const qsizetype endLength = (c == '\r' && i + 1 < n && bytes.at(i + 1) == '\n') ? 2 : 1;
        lines.append({ bytes.sliced(start, i - start), bytes.sliced(i, endLength) });
        i += endLength;
        start = i;
    }
    if (start < n)
        lines.append({ bytes.sliced(start), QByteArrayView() });
    return lines;
}

QString OneLineField(const QString& field)
{
    QString result = field;
    for (QChar& c : result) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    }
    return result;
}
