#include "core/urllist/urllistfile.h"

#include "core/files/wholefile.h"
#include "core/text/localeencoding.h"
#include "core/text/textlines.h"

#include <QStringDecoder>
#include <QStringEncoder>

bool SaveUrlList(const QString& path, const QList<UrlListRow>& rows, QString* error)
{
    QString text;
    for (const UrlListRow& row : rows) {
        text += OneLineField(row.address) + QLatin1Char('\t') + OneLineField(row.format)
            + QLatin1String("\r\n");
    }
    return WriteWholeFile(path, EncodeLocaleText(text), error);
}

bool LoadUrlList(
    const QString& path, QStringList* addresses, QString* error, QList<int>* notTextLines)
{
    // The mark is dropped from the first line's text instead, where a line
    // read from standard input loses it too.
    QByteArray bytes;
    if (!ReadWholeFile(path, &bytes, error))
        return false;

    const QStringList loaded = UrlListAddresses(bytes, notTextLines);
    if (addresses)
        *addresses = loaded;
    return true;
}

QStringList UrlListAddresses(const QByteArray& bytes, QList<int>* notTextLines)
{
    QStringList loaded;
    // Line by line, in bytes: CR and LF are the same bytes in every encoding a
    // locale uses here, and a bad line must not spoil its neighbours.
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    int number = 0;
    while (start < n) {
        qsizetype end = start;
        while (end < n && bytes.at(end) != '\r' && bytes.at(end) != '\n')
            ++end;
        const QByteArray line = bytes.mid(start, end - start);
        start = end + (end + 1 < n && bytes.at(end) == '\r' && bytes.at(end + 1) == '\n' ? 2 : 1);
        ++number;
        // The decoder reports no error when it keeps no state: a bad byte shows as a
        // line that does not come back to its bytes.
        const auto flags
            = QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;
        QString text = QStringDecoder(QStringConverter::System, flags).decode(line);
        if (notTextLines
            && (line.contains('\0')
                || QByteArray(QStringEncoder(QStringConverter::System, flags).encode(text))
                    != line)) {
            notTextLines->append(number);
            continue;
        }
        // Editors on other systems may put a byte-order mark in front.
        if (number == 1 && text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        const QString address = text.section(QLatin1Char('\t'), 0, 0);
        if (!address.trimmed().isEmpty())
            loaded.append(address);
    }
    return loaded;
}
