#pragma once

#include "engine/capture/captureoptions.h"
#include "engine/chromium/chromiumrequestguard.h"
#include "engine/protocol/cdpconnection.h"

#include <QImage>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <functional>

class ChromiumBrowser;

// One page of the shared browser: a browser context of its own (cookies, storage,
// caches and service workers live and die with it), one target (tab) in it and
// the protocol session attached to that target.
//
// It answers the page's JavaScript dialogs itself (alert dismissed, confirm and
// prompt cancelled, as a user who is not there), so a dialog never blocks the
// commands after it; and it applies the local file rule to every file:// request.
//
// The request options (see setRequestOptions()) are the context's and the
// session's before anything is loaded: the proxy, headers, cookies, certificate
// errors ignored, and the answers to questions for authentication.
class ChromiumPage : public QObject
{
    Q_OBJECT
public:
    explicit ChromiumPage(ChromiumBrowser* browser, QObject* parent = nullptr);
    ~ChromiumPage() override;

    // Makes the context, the target and the session; `then` gets an empty error
    // once the page can be navigated.
    // `scale` is the device's pixels per CSS pixel.
    void open(int width, int height, std::function<void(const QString& error)> then)
    {
        open(width, height, 1, std::move(then));
    }
    void open(int width, int height, double scale, std::function<void(const QString& error)> then);
    // Closes the target and disposes of its context (nothing waits for that).
    void close();
    bool isOpen() const { return !m_sessionId.isEmpty(); }
    // Whether the page is on the browser's running process (not one that died
    // since it was opened).
    bool isOnRunningBrowser() const;
    // What open() makes of `options`, the window and the scale, as one value: two
    // pages with the same key are opened the same way.
    static QByteArray openingKey(
        const CaptureOptions& options, int width, int height, double scale);
    // The main frame's id, which is also the target's.
    QString frameId() const { return m_targetId; }

    // The address the converter asked for: the one top-level local document the
    // page may load.
    void setRequestedUrl(const QUrl& url) { m_requested = url; }
    // Remarks on what the local file rule kept out of the page (a frame left empty).
    QStringList localFileRemarks() const { return m_guard.remarks(); }
    // What the page's requests carry (headers, cookies, credentials), the proxy
    // they go through and whether certificate errors are ignored; before open().
    // The credentials answer only the requested address's own origin, each request
    // once (a second question means they were refused).
    void setRequestOptions(const CaptureOptions& options);

    // Sends a command to the page's session. Its answer comes back only while
    // this page lives; a page closed, or whose target went, answers each command
    // with CdpError::TargetClosed.
    void send(
        const QString& method, const QJsonObject& params = {}, CdpConnection::Reply reply = {});
    // The time limit of each of the page's commands (the page's own time-out);
    // 0 takes the connection's.
    void setCommandTimeout(int ms);
    // During an answer: its bulk payload, still base64 (see CdpConnection).
    QByteArray bulkBase64() const
    {
        return m_connection ? m_connection->bulkBase64() : QByteArray();
    }
    // Evaluates `expression` (awaiting a promise) in the world `contextId` (0: the
    // page's own) and calls `then` with its value. An exception gives an invalid
    // value and its first line as the error; a world that went with its document
    // gives CdpError::ContextLost ("The page navigated during its capture").
    void evaluate(const QString& expression, int contextId,
        std::function<void(const QVariant& value, const CdpError& error)> then);
    // Adds the style sheet `css` after the page's own and runs `script` (awaiting a
    // promise it returns), both in the page's own world, where the script may call
    // the page's functions. The sheet is adopted, not a <style> element, which the
    // page's content security policy may forbid. `then` gets the first line of each
    // one's error, empty for none.
    void inject(const QString& css, const QString& script,
        std::function<void(const QString& styleError, const QString& scriptError)> then);
    // The view as a picture (a null image when the browser gave none). The PNG is
    // decoded on a worker thread: the event loop goes on serving other pages.
    void screenshot(std::function<void(const QImage& image, const QString& error)> then)
    {
        screenshot(QRect(), std::move(then));
    }
    // The page's `area` (CSS pixels from the document's top left) as it is drawn now,
    // beyond the view too, without laying the page out again; a null area: the view.
    void screenshot(
        const QRect& area, std::function<void(const QImage& image, const QString& error)> then);

signals:
    // A protocol event of this page's session. A target that went without being
    // closed here is reported as "Inspector.targetCrashed".
    void event(const QString& method, const QJsonObject& params);
    // The page cannot go on: the browser sent it what could not be read (a
    // message larger than a message may be).
    void failed(const QString& reason);

private:
    void attached(const QString& sessionId);
    // Enables the domains and applies the window and the request options.
    void setUp(
        int width, int height, double scale, const std::function<void(const QString& error)>& then);
    void onEvent(const QString& method, const QJsonObject& params);
    void onDetached(const CdpError& reason);
    // A frame from another site, in a target of its own, attached paused: it gets
    // the page's interception, request options and settings before it runs, and
    // its network events count as the page's.
    void attachFrame(const QJsonObject& params);
    void onFrameEvent(CdpSession* frame, const QString& method, const QJsonObject& params);
    QJsonObject fetchSetup() const;
    // The session's commands that carry the request options, in their order.
    static QList<std::pair<QString, QJsonObject>> requestSetup(const CaptureOptions& options);

    QPointer<ChromiumBrowser> m_browser;
    QPointer<CdpConnection> m_connection;
    QString m_contextId;
    QString m_targetId;
    QString m_sessionId;
    QPointer<CdpSession> m_session;
    int m_commandTimeoutMs = 0;
    QUrl m_requested;
    CaptureOptions m_options;
    ChromiumRequestGuard m_guard { m_requested, m_options, m_targetId };
    // The frames' sessions, and the settings sent to the page that they share.
    QList<QPointer<CdpSession>> m_frames;
    QList<std::pair<QString, QJsonObject>> m_shared;
};
