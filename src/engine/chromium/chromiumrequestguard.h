#pragma once

#include "engine/capture/captureoptions.h"

#include <QJsonObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

class CdpSession;

// Answers the requests a page's sessions hold back (the page's own and those of
// its frames from other sites, each in a target of its own): the local file rule
// for every file:// request, a blank frame instead of the browser's error page,
// and the credentials, given only to the address the user named (the proxy's to
// the proxy), each request once.
class ChromiumRequestGuard
{
public:
    // The address asked for, the request options and the main frame's id, as
    // they are when a request comes (the page that holds them may change them).
    ChromiumRequestGuard(
        const QUrl& requested, const CaptureOptions& options, const QString& mainFrame)
        : m_requested(requested)
        , m_options(options)
        , m_mainFrame(mainFrame)
    {
    }
    // A new page: no request was answered yet.
    void clear()
    {
        m_authAnswered.clear();
        m_remarks.clear();
    }
    // What the local file rule kept out of the page (a frame left empty).
    QStringList remarks() const { return m_remarks; }
    // Fetch.requestPaused and Fetch.authRequired of `session`, answered on it.
    void onRequestPaused(CdpSession* session, const QJsonObject& params);
    void onAuthRequired(CdpSession* session, const QJsonObject& params);

private:
    const QUrl& m_requested;
    const CaptureOptions& m_options;
    const QString& m_mainFrame;
    QSet<QString> m_authAnswered;
    QStringList m_remarks;
};
