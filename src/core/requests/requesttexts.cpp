#include "core/requests/requesttexts.h"

#include "core/files/wholefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QUrl>

namespace {

// Credentials are a line, not a document.
constexpr qint64 MaxCredentialsFileBytes = 64 * 1024;

QString tr(const char* text)
{
    return QCoreApplication::translate("RequestTexts", text);
}

// The characters of an HTTP token (a header's name).
bool isTokenChar(QChar c)
{
    if (c.unicode() > 0x7e || c.unicode() <= 0x20)
        return false;
    return !QStringLiteral("\"(),/:;<=>?@[\\]{}").contains(c);
}

} // namespace

bool ParseHeaderLine(const QString& text, std::pair<QString, QString>* header, QString* error)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    const QString name = colon < 0 ? QString() : text.left(colon).trimmed();
    if (colon < 0 || name.isEmpty()) {
        *error = tr("a header is written 'Name: value', not '%1'").arg(text);
        return false;
    }
    for (const QChar c : name) {
        if (!isTokenChar(c)) {
            *error = tr("'%1' is not a header name").arg(name);
            return false;
        }
    }
    // The browser writes these itself and fails every request that is given one.
    static const QStringList browsersOwn = { QStringLiteral("Host"),
        QStringLiteral("Content-Length"), QStringLiteral("Transfer-Encoding"),
        QStringLiteral("Upgrade"), QStringLiteral("Keep-Alive"), QStringLiteral("TE"),
        QStringLiteral("Trailer"), QStringLiteral("Proxy-Connection") };
    if (browsersOwn.contains(name, Qt::CaseInsensitive)) {
        *error = tr("the browser sets the header '%1' itself; it cannot be given").arg(name);
        return false;
    }
    const QString value = text.mid(colon + 1).trimmed();
    for (const QChar c : value) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0)
            || c == QLatin1Char('\t')) {
            *error = tr("the value of header '%1' holds a line break or a tab").arg(name);
            return false;
        }
    }
    *header = { name, value };
    return true;
}

QStringList SplitHeaderList(const QString& stored)
{
    QStringList headers;
    for (const QString& part : stored.split(QLatin1Char('\t'))) {
        if (!part.trimmed().isEmpty())
            headers << part.trimmed();
    }
    return headers;
}

QString JoinHeaderList(const QStringList& headers)
{
    return headers.join(QLatin1Char('\t'));
}

bool ParseCredentials(const QString& text, QString* user, QString* password, QString* error)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon <= 0) {
        *error = tr("credentials are written USER:PASSWORD, with a user name before the colon");
        return false;
    }
    *user = text.left(colon);
    *password = text.mid(colon + 1);
    return true;
}

bool ReadCredentialsFile(const QString& path, QString* user, QString* password, QString* error)
{
    QByteArray bytes;
    if (!ReadWholeFile(path, &bytes, error, ByteOrderMark::Drop, MaxCredentialsFileBytes))
        return false;
    QString line = QString::fromUtf8(bytes).section(QLatin1Char('\n'), 0, 0);
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    if (!ParseCredentials(line, user, password, error)) {
        *error = tr("the first line of %1 must hold USER:PASSWORD")
                     .arg(QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

bool ParseProxyUrl(
    const QString& text, QString* server, QString* user, QString* password, QString* error)
{
    const QString trimmed = text.trimmed();
    const QString withScheme
        = trimmed.contains(QLatin1String("://")) ? trimmed : QStringLiteral("http://") + trimmed;
    const QUrl url(withScheme, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    const QStringList schemes = { QStringLiteral("http"), QStringLiteral("https"),
        QStringLiteral("socks4"), QStringLiteral("socks5") };
    // The address without its user and password: a wrong proxy is named in
    // messages, its password never.
    const QString shown
        = url.isValid() ? url.adjusted(QUrl::RemoveUserInfo).toString() : QStringLiteral("?");
    if (!url.isValid() || url.host().isEmpty() || !schemes.contains(scheme)
        || (url.path() != QString() && url.path() != QLatin1String("/")) || url.hasQuery()
        || url.hasFragment()) {
        *error = tr("a proxy is written scheme://host:port (scheme http, https, socks4 or "
                    "socks5), not '%1'")
                     .arg(shown);
        return false;
    }
    QString host = url.host(QUrl::FullyEncoded);
    if (host.contains(QLatin1Char(':')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    *server = scheme + QStringLiteral("://") + host
        + (url.port() > 0 ? QStringLiteral(":%1").arg(url.port()) : QString());
    *user = url.userName(QUrl::FullyDecoded);
    *password = url.password(QUrl::FullyDecoded);
    return true;
}
