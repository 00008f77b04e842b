#pragma once

#include "engine/capture/captureoptions.h"
#include "engine/protocol/cdpconnection.h"

#include <QImage>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
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
    QStringList localFileRemarks() const { return m_localFileRemarks; }
    // What the page's requests carry (headers, cookies, credentials), the proxy
    // they go through and whether certificate errors are ignored; before open().
    // The credentials answer only the requested address's own origin, each request
    // once (a second question means they were refused).
    void setRequestOptions(const CaptureOptions& options) { m_options = options; }

    void send(
        const QString& method, const QJsonObject& params = {}, CdpConnection::Reply reply = {});
    // Evaluates `expression` (awaiting a promise) in the world `contextId` (0: the
    // page's own) and calls `then` with its value; an exception gives an invalid
    // value, as a script that returned nothing.
    void evaluate(const QString& expression, int contextId,
        std::function<void(const QVariant& value, const QString& error)> then);
    // Adds the style sheet `css` after the page's own and runs `script` (awaiting a
    // promise it returns), both in the page's own world, where the script may call
    // the page's functions. The sheet is adopted, not a <style> element, which the
    // page's content security policy may forbid. `then` gets the first line of each
    // one's error, empty for none.
    void inject(const QString& css, const QString& script,
        std::function<void(const QString& styleError, const QString& scriptError)> then);
    // The view as a picture (a null image when the browser gave none). The PNG is
    // decoded on a worker thread: the event loop goes on serving other pages.
    void screenshot(std::function<void(const QImage& image, const QString& error)> then);

signals:
    // A protocol event of this page's session.
    void event(const QString& method, const QJsonObject& params);

private:
    void onEvent(const QString& method, const QJsonObject& params, const QString& sessionId);
    void onRequestPaused(const QJsonObject& params);
    void onAuthRequired(const QJsonObject& params);
    // The session's commands that carry the request options, in their order.
    static QList<std::pair<QString, QJsonObject>> requestSetup(const CaptureOptions& options);

    QPointer<ChromiumBrowser> m_browser;
    QPointer<CdpConnection> m_connection;
    QString m_contextId;
    QString m_targetId;
    QString m_sessionId;
    QUrl m_requested;
    QStringList m_localFileRemarks;
    CaptureOptions m_options;
    QSet<QString> m_authAnswered;
    QMetaObject::Connection m_events;
};
