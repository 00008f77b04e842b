#pragma once

#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>

// Keeps the scripts of a page from reading the user's files. A local page given to
// convert loads pictures, style sheets, fonts and media, and scripts and frames
// from its own folder only (by their real paths, links followed); nothing else of
// file:// is loaded: no fetch() or XMLHttpRequest, no workers or plug-in data, no folder
// listing, and no other top-level document than the one the converter asked for or
// another page in its folder.
// What a script could read would end up in the output. Web pages are kept from
// file:// by the engine itself.
//
// The rule itself is LocalRequestAllowed, shared with the other engine.
//
// Qt's LocalContentCanAccessFileUrls cannot do this: turned off, it also stops a
// local page's own pictures and style sheets.
class LocalFileGuard : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

private:
    // The address the converter loaded last: another top-level document the page
    // moves to is judged against its folder (the engine names the new document
    // itself as the first party of its own load).
    QUrl m_loaded;
};
