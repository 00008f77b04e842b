#include "engine/capture/loaderror.h"

#include "core/files/regularfile.h"
#include "engine/capture/localfilerule.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QWebEngineLoadingInfo>
#include <cstddef>

namespace {

// A text for each of a set of codes.
struct CodeText
{
    int code;
    const char* text;
};

template <std::size_t N> const char* textOf(const CodeText (&table)[N], int code)
{
    for (const CodeText& entry : table) {
        if (entry.code == code)
            return entry.text;
    }
    return nullptr;
}

constexpr const char* UnauthorizedText
    = QT_TRANSLATE_NOOP("LoadError", "HTTP 401 Unauthorized (the page needs a login)");

constexpr CodeText HttpPhrases[] = {
    { 400, "Bad Request" },
    { 401, "Unauthorized" },
    { 402, "Payment Required" },
    { 404, "Not Found" },
    { 405, "Method Not Allowed" },
    { 406, "Not Acceptable" },
    { 407, "Proxy Authentication Required" },
    { 408, "Request Timeout" },
    { 410, "Gone" },
    { 429, "Too Many Requests" },
    { 451, "Unavailable For Legal Reasons" },
    { 501, "Not Implemented" },
    { 502, "Bad Gateway" },
    { 503, "Service Unavailable" },
    { 504, "Gateway Timeout" },
};

// Chromium's network error numbers (net/base/net_error_list.h) for the causes a
// user can act on.
constexpr CodeText NetworkErrors[] = {
    // The engine stops a top-level load itself only when the answer is nothing to
    // show: a file to save (a download, an attachment) or no content at all. A
    // load a script replaced with another goes on and never ends up here.
    { -3, QT_TRANSLATE_NOOP("LoadError", "The address is a download, not a page") }, // ABORTED
    // Only the local file rule blocks a top-level load.
    { -20,
        QT_TRANSLATE_NOOP("LoadError",
            "The page tried to open a local file outside its folder") }, // BLOCKED_BY_CLIENT
    { -6, QT_TRANSLATE_NOOP("LoadError", "No such file") }, // FILE_NOT_FOUND
    { -10, QT_TRANSLATE_NOOP("LoadError", "Access denied") }, // ACCESS_DENIED
    // CONNECTION_CLOSED and EMPTY_RESPONSE
    { -100, QT_TRANSLATE_NOOP("LoadError", "The server closed the connection without an answer") },
    { -324, QT_TRANSLATE_NOOP("LoadError", "The server closed the connection without an answer") },
    { -101, QT_TRANSLATE_NOOP("LoadError", "Connection reset") }, // CONNECTION_RESET
    { -102, QT_TRANSLATE_NOOP("LoadError", "Connection refused") }, // CONNECTION_REFUSED
    { -105, QT_TRANSLATE_NOOP("LoadError", "Host not found") }, // NAME_NOT_RESOLVED
    { -137, QT_TRANSLATE_NOOP("LoadError", "Host not found") }, // NAME_RESOLUTION_FAILED
    { -106, QT_TRANSLATE_NOOP("LoadError", "No network connection") }, // INTERNET_DISCONNECTED
    { -109, QT_TRANSLATE_NOOP("LoadError", "Address unreachable") }, // ADDRESS_UNREACHABLE
    { -118, QT_TRANSLATE_NOOP("LoadError", "Connection timed out") }, // CONNECTION_TIMED_OUT
    { -300, QT_TRANSLATE_NOOP("LoadError", "Not a valid address") }, // INVALID_URL
    { -301, QT_TRANSLATE_NOOP("LoadError", "Not a convertible address") }, // DISALLOWED_URL_SCHEME
    { -302, QT_TRANSLATE_NOOP("LoadError", "Not a convertible address") }, // UNKNOWN_URL_SCHEME
    { -310, QT_TRANSLATE_NOOP("LoadError", "Too many redirects") }, // TOO_MANY_REDIRECTS
    // UNSAFE_REDIRECT: a web page that sends the engine to file://
    { -311, QT_TRANSLATE_NOOP("LoadError", "Redirected to a local file, which is not allowed") },
    // CONTENT_LENGTH_MISMATCH and INCOMPLETE_CHUNKED_ENCODING
    { -354, QT_TRANSLATE_NOOP("LoadError", "The connection closed before the page was complete") },
    { -355, QT_TRANSLATE_NOOP("LoadError", "The connection closed before the page was complete") },
    // TOO_MANY_RETRIES: the server asked for a login, which a converter has no one to
    // give, again and again.
    { -375, UnauthorizedText },
    // INVALID_AUTH_CREDENTIALS: how a browser without anyone to ask ends a login.
    { -338, UnauthorizedText },
    // The proxy the page was loaded through, and a site's certificate.
    { -130, QT_TRANSLATE_NOOP("LoadError", "The proxy could not be reached") },
    { -111, QT_TRANSLATE_NOOP("LoadError", "The proxy could not connect to the site") },
    { -120, QT_TRANSLATE_NOOP("LoadError", "The proxy could not connect to the site") },
    { -200, QT_TRANSLATE_NOOP("LoadError", "The site's certificate is for another name") },
    { -201,
        QT_TRANSLATE_NOOP("LoadError", "The site's certificate has expired or is not yet valid") },
    { -202,
        QT_TRANSLATE_NOOP("LoadError",
            "The site's certificate is not signed by an authority this system trusts") },
};

// The names Chromium gives the errors of the table above, for the engine that
// reports errors by name.
struct NamedCode
{
    const char* name;
    int code;
};

constexpr NamedCode NetworkErrorNames[] = {
    { "ABORTED", -3 },
    { "BLOCKED_BY_CLIENT", -20 },
    { "FILE_NOT_FOUND", -6 },
    { "ACCESS_DENIED", -10 },
    { "CONNECTION_CLOSED", -100 },
    { "EMPTY_RESPONSE", -324 },
    { "CONNECTION_RESET", -101 },
    { "CONNECTION_REFUSED", -102 },
    { "NAME_NOT_RESOLVED", -105 },
    { "NAME_RESOLUTION_FAILED", -137 },
    { "INTERNET_DISCONNECTED", -106 },
    { "ADDRESS_UNREACHABLE", -109 },
    { "CONNECTION_TIMED_OUT", -118 },
    { "INVALID_URL", -300 },
    { "DISALLOWED_URL_SCHEME", -301 },
    { "UNKNOWN_URL_SCHEME", -302 },
    { "TOO_MANY_REDIRECTS", -310 },
    { "UNSAFE_REDIRECT", -311 },
    { "CONTENT_LENGTH_MISMATCH", -354 },
    { "INCOMPLETE_CHUNKED_ENCODING", -355 },
    { "TOO_MANY_RETRIES", -375 },
    { "INVALID_AUTH_CREDENTIALS", -338 },
    { "PROXY_CONNECTION_FAILED", -130 },
    { "TUNNEL_CONNECTION_FAILED", -111 },
    { "SOCKS_CONNECTION_FAILED", -120 },
    { "CERT_COMMON_NAME_INVALID", -200 },
    { "CERT_DATE_INVALID", -201 },
    { "CERT_AUTHORITY_INVALID", -202 },
};

QString networkErrorText(int code)
{
    const char* text = textOf(NetworkErrors, code);
    return text ? QCoreApplication::translate("LoadError", text) : QString();
}

// Why a local file cannot be a page, or empty. The engine would open a FIFO and
// wait for a writer for ever, read a device without end, and show a folder as a
// listing of its files; it is opened here without waiting and its type taken from
// the open file. A file that is missing or not readable is left to the engine,
// which names that itself.
QString localFileProblem(const QString& path)
{
    QFile file;
    RegularFileFault fault = RegularFileFault::None;
    if (OpenRegularFile(path, &file, nullptr, &fault))
        return QString();
    if (fault == RegularFileFault::NotRegular)
        return QFileInfo(path).isDir()
            ? QCoreApplication::translate("LoadError", "%1 is a folder, not a page").arg(path)
            : QCoreApplication::translate("LoadError", "%1 is not a regular file").arg(path);
    if (fault == RegularFileFault::LinkLoop)
        return QCoreApplication::translate("LoadError", "%1: too many levels of symbolic links")
            .arg(path);
    return QString();
}

} // namespace

QString LoadErrorText(int httpStatusCode)
{
    switch (httpStatusCode) {
    case 401:
        return QCoreApplication::translate("LoadError", UnauthorizedText);
    case 403:
        return QCoreApplication::translate("LoadError", "Incorrect Username/Password");
    case 500:
        return QCoreApplication::translate(
            "LoadError", "Server error - you may be able to try again");
    default:
        break;
    }
    if (httpStatusCode < 400 || httpStatusCode > 599)
        return QCoreApplication::translate("LoadError", "Unknown error");
    const char* phrase = textOf(HttpPhrases, httpStatusCode);
    return phrase ? QCoreApplication::translate("LoadError", "HTTP %1 %2")
                        .arg(httpStatusCode)
                        .arg(QLatin1String(phrase))
                  : QCoreApplication::translate("LoadError", "HTTP %1").arg(httpStatusCode);
}

QString LoadErrorText(const QWebEngineLoadingInfo& info)
{
    switch (info.errorDomain()) {
    case QWebEngineLoadingInfo::HttpStatusCodeDomain:
        return LoadErrorText(info.errorCode());
    case QWebEngineLoadingInfo::NoErrorDomain:
        return LoadErrorText(0);
    case QWebEngineLoadingInfo::CertificateErrorDomain:
        return QCoreApplication::translate("LoadError", "The server's certificate is not valid");
    default:
        break;
    }
    const QString text = networkErrorText(info.errorCode());
    if (!text.isEmpty())
        return text;
    // Chromium's own name for the error says more than nothing.
    return info.errorString().isEmpty()
        ? LoadErrorText(0)
        : QCoreApplication::translate("LoadError", "Unknown error (%1)").arg(info.errorString());
}

QString NetworkErrorText(const QString& chromiumName)
{
    const QString prefix = QStringLiteral("net::ERR_");
    if (chromiumName.startsWith(prefix)) {
        const QString name = chromiumName.mid(prefix.size());
        for (const NamedCode& entry : NetworkErrorNames) {
            if (name == QLatin1String(entry.name))
                return networkErrorText(entry.code);
        }
    }
    return chromiumName.isEmpty()
        ? LoadErrorText(0)
        : QCoreApplication::translate("LoadError", "Unknown error (%1)").arg(chromiumName);
}

QString NotConvertibleReason(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("file"))
        return url.path().isEmpty()
            ? QCoreApplication::translate("LoadError", "Not a valid address")
            : localFileProblem(url.toLocalFile());
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return url.host().isEmpty()
            ? QCoreApplication::translate("LoadError", "Not a valid address: it names no host")
            : QString();
    return QCoreApplication::translate("LoadError",
        "Not a convertible address: only web pages (http, https) and local files can be "
        "converted");
}

QString ErrorPageProblem(const QUrl& requested, const QUrl& shown, const QUrl& unreachable)
{
    if (shown.scheme() != QLatin1String("chrome-error"))
        return QString();
    if (unreachable.isLocalFile() && requested.isLocalFile()) {
        const bool typed = unreachable.adjusted(QUrl::RemoveFragment)
            == requested.adjusted(QUrl::RemoveFragment);
        if (!LocalRequestAllowed(LocalRequestKind::MainFrame, unreachable, requested, typed))
            return LocalNavigationRefusedText();
    }
    if (unreachable.isEmpty() || unreachable == requested)
        return QCoreApplication::translate("LoadError", "The browser could not show the page");
    return QCoreApplication::translate(
        "LoadError", "The page moved to %1, which could not be loaded")
        .arg(unreachable.toDisplayString(QUrl::RemoveUserInfo));
}

QString InputNotAllowedReason(const QUrl& url, const QString& inputs)
{
    if (inputs == QLatin1String("web") && url.isLocalFile())
        return QCoreApplication::translate(
            "LoadError", "Local files are not converted here (inputs: web)");
    if (inputs == QLatin1String("local") && !url.isLocalFile())
        return QCoreApplication::translate(
            "LoadError", "Only local files are converted here (inputs: local)");
    return QString();
}
