#include "loaderror.h"

#include <QCoreApplication>
#include <QUrl>
#include <QWebEngineLoadingInfo>

namespace {

const char* httpPhrase(int status)
{
    switch (status) {
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 402:
        return "Payment Required";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 406:
        return "Not Acceptable";
    case 407:
        return "Proxy Authentication Required";
    case 408:
        return "Request Timeout";
    case 410:
        return "Gone";
    case 429:
        return "Too Many Requests";
    case 451:
        return "Unavailable For Legal Reasons";
    case 501:
        return "Not Implemented";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    default:
        return nullptr;
    }
}

// Chromium's network error numbers (net/base/net_error_list.h) for the causes a
// user can act on.
QString networkErrorText(int code)
{
    switch (code) {
    case -6: // FILE_NOT_FOUND
        return QCoreApplication::translate("LoadError", "No such file");
    case -10: // ACCESS_DENIED
        return QCoreApplication::translate("LoadError", "Access denied");
    case -100: // CONNECTION_CLOSED
    case -324: // EMPTY_RESPONSE
        return QCoreApplication::translate(
            "LoadError", "The server closed the connection without an answer");
    case -101: // CONNECTION_RESET
        return QCoreApplication::translate("LoadError", "Connection reset");
    case -102: // CONNECTION_REFUSED
        return QCoreApplication::translate("LoadError", "Connection refused");
    case -105: // NAME_NOT_RESOLVED
    case -137: // NAME_RESOLUTION_FAILED
        return QCoreApplication::translate("LoadError", "Host not found");
    case -106: // INTERNET_DISCONNECTED
        return QCoreApplication::translate("LoadError", "No network connection");
    case -109: // ADDRESS_UNREACHABLE
        return QCoreApplication::translate("LoadError", "Address unreachable");
    case -118: // CONNECTION_TIMED_OUT
        return QCoreApplication::translate("LoadError", "Connection timed out");
    case -300: // INVALID_URL
        return QCoreApplication::translate("LoadError", "Not a valid address");
    case -301: // DISALLOWED_URL_SCHEME
    case -302: // UNKNOWN_URL_SCHEME
        return QCoreApplication::translate("LoadError", "Not a convertible address");
    case -310: // TOO_MANY_REDIRECTS
        return QCoreApplication::translate("LoadError", "Too many redirects");
    default:
        return QString();
    }
}

} // namespace

QString LoadErrorText(int httpStatusCode)
{
    switch (httpStatusCode) {
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
    const char* phrase = httpPhrase(httpStatusCode);
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

QString NotConvertibleReason(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("file"))
        return url.path().isEmpty()
            ? QCoreApplication::translate("LoadError", "Not a valid address")
            : QString();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return url.host().isEmpty()
            ? QCoreApplication::translate("LoadError", "Not a valid address: it names no host")
            : QString();
    return QCoreApplication::translate("LoadError",
        "Not a convertible address: only web pages (http, https) and local files can be "
        "converted");
}
