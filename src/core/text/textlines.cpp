#include "textlines.h"

QStringList SplitTextLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) {
            ++i;
            continue;
        }
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        ++i;
        start = i;
    }
    if (start < n)
        lines.append(text.mid(start));
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
