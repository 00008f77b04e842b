#pragma once

#include <QString>

class QUrl;
class QWebEngineLoadingInfo;

// The text for a page that failed to load, by its HTTP status: 403 and 500 have
// texts of their own, any other error status is named with its number and phrase
// ("HTTP 404 Not Found"); without a status (0) the text is "Unknown error".
QString LoadErrorText(int httpStatusCode);

// The same for a failed load as Qt WebEngine reports it: an HTTP status as above,
// a network or file error by its cause ("Connection refused", "Too many
// redirects", "No such file", ...).
QString LoadErrorText(const QWebEngineLoadingInfo& info);

// The same for a network error as Chromium names it ("net::ERR_CONNECTION_REFUSED"):
// the cause in words where it is known, else "Unknown error (net::ERR_...)".
QString NetworkErrorText(const QString& chromiumName);

// Why an address cannot be converted (a script or another scheme that shows no
// page of its own, a web address without a host, a local file that is a folder,
// a FIFO or a device), or an empty string when it can.
QString NotConvertibleReason(const QUrl& url);

// Why a page whose top-level document is now the browser's own error page
// (`shown`, "chrome-error://...", for the address `unreachable` it could not
// show) cannot be captured, or an empty string when it shows a page. A local page
// `requested` that moved itself to a local file the local file rule refuses fails
// with LocalNavigationRefusedText(); any other error page is no capture either.
QString ErrorPageProblem(const QUrl& requested, const QUrl& shown, const QUrl& unreachable);

// Why `url` may not be converted under the `inputs` choice ("web": no local file;
// "local": no web address; "any"), or an empty string when it may.
QString InputNotAllowedReason(const QUrl& url, const QString& inputs);
