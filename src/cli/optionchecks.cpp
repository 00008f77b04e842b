#include "cli/optionchecks.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QUrl>

namespace {

struct Tr
{
    Q_DECLARE_TR_FUNCTIONS(OptionChecks)
};

} // namespace

QString SelectorProblem(const QString& selector)
{
    const QString trimmed = selector.trimmed();
    if (trimmed.isEmpty())
        return Tr::tr("an empty selector");
    QString open;
    QChar quote;
    bool escaped = false;
    // What came last outside brackets and quotes: a comma or a combinator wants
    // a selector after it.
    QChar pending = QLatin1Char(',');
    for (const QChar c : trimmed) {
        if (escaped) {
            escaped = false;
            pending = QChar();
            continue;
        }
        if (c == QLatin1Char('\\')) {
            escaped = true;
            continue;
        }
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
            continue;
        }
        if (c == QLatin1Char('[') || c == QLatin1Char('(')) {
            open += c;
            pending = QChar();
            continue;
        }
        if (c == QLatin1Char(']') || c == QLatin1Char(')')) {
            const QChar expected = c == QLatin1Char(']') ? QLatin1Char('[') : QLatin1Char('(');
            if (open.isEmpty() || open.back() != expected)
                return Tr::tr("a '%1' that closes nothing").arg(c);
            open.chop(1);
            continue;
        }
        if (!open.isEmpty() || c.isSpace())
            continue;
        if (c == QLatin1Char(',') || c == QLatin1Char('>') || c == QLatin1Char('+')
            || c == QLatin1Char('~')) {
            if (!pending.isNull() && (c == QLatin1Char(',') || pending == QLatin1Char(',')))
                return Tr::tr("nothing before '%1'").arg(c);
            pending = c;
            continue;
        }
        pending = QChar();
    }
    if (!quote.isNull())
        return Tr::tr("an unclosed %1").arg(quote);
    if (!open.isEmpty())
        return Tr::tr("an unclosed '%1'").arg(open.back());
    if (escaped)
        return Tr::tr("a '\\' at the end");
    if (!pending.isNull())
        return Tr::tr("nothing after '%1'").arg(pending);
    return QString();
}

QString ProxyWithoutPortProblem(const QString& proxy)
{
    const QString trimmed = proxy.trimmed();
    const QUrl url(
        trimmed.contains(QLatin1String("://")) ? trimmed : QStringLiteral("http://") + trimmed);
    if (!url.isValid() || url.port() > 0)
        return QString();
    return Tr::tr("'%1' names no port; write scheme://host:port (http://127.0.0.1:3128)")
        .arg(url.adjusted(QUrl::RemoveUserInfo).toString());
}

QString FormatOfFileName(const QString& fileName, const QStringList& formats)
{
    QString extension = QFileInfo(fileName).suffix().toUpper();
    // The other names people give these files.
    if (extension == QLatin1String("JPEG"))
        extension = QStringLiteral("JPG");
    if (extension == QLatin1String("TIF"))
        extension = QStringLiteral("TIFF");
    return !extension.isEmpty() && formats.contains(extension) ? extension : QString();
}

QString PlainNumber(double value)
{
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

QString WithoutPasswords(const QString& text)
{
    // scheme://user:password@ -> scheme://user@, wherever it stands.
    static const QRegularExpression userInfo(
        QStringLiteral("([A-Za-z][A-Za-z0-9+.-]*://[^/?#@\\s:]*):[^/?#@\\s]*@"));
    if (!text.contains(QLatin1Char('@')))
        return text;
    QString safe = text;
    return safe.replace(userInfo, QStringLiteral("\\1@"));
}
