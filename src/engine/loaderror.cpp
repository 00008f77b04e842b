#include "loaderror.h"

#include <QWebEngineLoadingInfo>

namespace {

// The standard reason phrases of the error statuses a server answers with.
struct ReasonPhrase
{
    int code;
    const char* phrase;
};
constexpr ReasonPhrase ReasonPhrases[] = {
    { 400, "Bad Request" },
    { 401, "Unauthorized" },
    { 402, "Payment Required" },
    { 404, "Not Found" },
    { 405, "Method Not Allowed" },
    { 406, "Not Acceptable" },
    { 407, "Proxy Authentication Required" },
    { 408, "Request Timeout" },
    { 409, "Conflict" },
    { 410, "Gone" },
    { 411, "Length Required" },
    { 412, "Precondition Failed" },
    { 413, "Content Too Large" },
    { 414, "URI Too Long" },
    { 415, "Unsupported Media Type" },
    { 416, "Range Not Satisfiable" },
    { 417, "Expectation Failed" },
    { 421, "Misdirected Request" },
    { 422, "Unprocessable Content" },
    { 423, "Locked" },
    { 424, "Failed Dependency" },
    { 425, "Too Early" },
    { 426, "Upgrade Required" },
    { 428, "Precondition Required" },
    { 429, "Too Many Requests" },
    { 431, "Request Header Fields Too Large" },
    { 451, "Unavailable For Legal Reasons" },
    { 501, "Not Implemented" },
    { 502, "Bad Gateway" },
    { 503, "Service Unavailable" },
    { 504, "Gateway Timeout" },
    { 505, "HTTP Version Not Supported" },
    { 506, "Variant Also Negotiates" },
    { 507, "Insufficient Storage" },
    { 508, "Loop Detected" },
    { 510, "Not Extended" },
    { 511, "Network Authentication Required" },
};

const char* reasonPhrase(int httpStatusCode)
{
    for (const ReasonPhrase& each : ReasonPhrases) {
        if (each.code == httpStatusCode)
            return each.phrase;
    }
    return nullptr;
}

} // namespace

QString LoadErrorText(int httpStatusCode)
{
    switch (httpStatusCode) {
    case 403:
        return QStringLiteral("Incorrect Username/Password");
    case 500:
        return QStringLiteral("Server error - you may be able to try again");
    default:
        break;
    }
    // Any other status the server answered with is named, so the user can
    // tell a missing page from an unreachable one.
    if (httpStatusCode >= 400 && httpStatusCode <= 599) {
        const char* phrase = reasonPhrase(httpStatusCode);
        return phrase ? QStringLiteral("HTTP %1 %2").arg(httpStatusCode).arg(QLatin1String(phrase))
                      : QStringLiteral("HTTP %1").arg(httpStatusCode);
    }
    return QStringLiteral("Unknown error");
}

QString LoadErrorText(const QWebEngineLoadingInfo& info)
{
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain)
        return LoadErrorText(info.errorCode());
    return LoadErrorText(0);
}
