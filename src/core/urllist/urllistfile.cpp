#include "urllistfile.h"

#include "text/localeencoding.h"
#include "text/textlines.h"

#include <QFile>
#include <QSaveFile>

bool SaveUrlList(const QString& path, const QList<UrlListRow>& rows, QString* error)
{
    QString text;
    for (const UrlListRow& row : rows) {
        text += OneLineField(row.address) + QLatin1Char('\t') + OneLineField(row.format)
            + QLatin1String("\r\n");
    }
    const QByteArray bytes = EncodeLocaleText(text);

    QSaveFile out(path);
    if (path.isEmpty() || !out.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(path, out.errorString());
        return false;
    }
    if (out.write(bytes) != bytes.size() || !out.commit()) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(path, out.errorString());
        return false;
    }
    return true;
}

bool LoadUrlList(const QString& path, QStringList* addresses, QString* error)
{
    QFile in(path);
    if (path.isEmpty() || !in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot read %1: %2").arg(path, in.errorString());
        return false;
    }
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("Cannot read %1: %2").arg(path, in.errorString());
        return false;
    }

    const QStringList loaded = UrlListAddresses(bytes);
    if (addresses)
        *addresses = loaded;
    return true;
}

QStringList UrlListAddresses(const QByteArray& bytes)
{
    QString text = DecodeLocaleText(bytes);
    // Editors on other systems may put a byte-order mark in front.
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    QStringList loaded;
    for (const QString& line : SplitTextLines(text)) {
        const QString address = line.section(QLatin1Char('\t'), 0, 0);
        if (!address.trimmed().isEmpty())
            loaded.append(address);
    }
    return loaded;
}
