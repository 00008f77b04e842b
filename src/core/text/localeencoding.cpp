#include "core/text/localeencoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

QByteArray EncodeLocaleText(const QString& text)
{
    // Encode character by character only when the fast path reports a
    // failure, so that each unrepresentable character turns into exactly
    // one '?' whatever the encoder itself would have substituted.
    QStringEncoder encoder(QStringConverter::System, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError())
        return bytes;

    bytes.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype length = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            length = 2;
        QStringEncoder single(QStringConverter::System, QStringConverter::Flag::Stateless);
        const QByteArray piece = single.encode(QStringView(text).mid(i, length));
        if (single.hasError() || piece.isEmpty())
            bytes.append('?');
        else
            bytes.append(piece);
        i += length - 1;
    }
    return bytes;
}

QString DecodeLocaleText(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringConverter::System, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}
