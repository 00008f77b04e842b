#pragma once

#include <QString>

class QWebEngineLoadingInfo;

// The text for a page that failed to load, by its HTTP status: 403 and 500 have
// their own texts, another error status is named ("HTTP 404 Not Found"), and a
// load without one (a refused connection, an unknown host) is "Unknown error".
// Shared by the engine and the browser window.
QString LoadErrorText(int httpStatusCode);

// The same for a failed load as Qt WebEngine reports it.
QString LoadErrorText(const QWebEngineLoadingInfo& info);
