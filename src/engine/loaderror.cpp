#include "loaderror.h"

#include <QWebEngineLoadingInfo>

QString LoadErrorText(int httpStatusCode)
{
    switch (httpStatusCode) {
    case 403:
        return QStringLiteral("Incorrect Username/Password");
    case 500:
        return QStringLiteral("Server error - you may be able to try again");
    default:
        return QStringLiteral("Unknown error");
    }
}

QString LoadErrorText(const QWebEngineLoadingInfo& info)
{
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain)
        return LoadErrorText(info.errorCode());
    return LoadErrorText(0);
}
