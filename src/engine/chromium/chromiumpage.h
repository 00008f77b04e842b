#pragma once

#include "cdpconnection.h"

#include <QImage>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QString>
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
    // The main frame's id, which is also the target's.
    QString frameId() const { return m_targetId; }

    // The address the converter asked for: the one top-level local document the
    // page may load.
    void setRequestedUrl(const QUrl& url) { m_requested = url; }

    void send(
        const QString& method, const QJsonObject& params = {}, CdpConnection::Reply reply = {});
    // Evaluates `expression` (awaiting a promise) in the world `contextId` (0: the
    // page's own) and calls `then` with its value; an exception gives an invalid
    // value, as a script that returned nothing.
    void evaluate(const QString& expression, int contextId,
        std::function<void(const QVariant& value, const QString& error)> then);
    // The view as a picture (a null image when the browser gave none). The PNG is
    // decoded on a worker thread: the event loop goes on serving other pages.
    void screenshot(std::function<void(const QImage& image, const QString& error)> then);

signals:
    // A protocol event of this page's session.
    void event(const QString& method, const QJsonObject& params);

private:
    void onEvent(const QString& method, const QJsonObject& params, const QString& sessionId);
    void onRequestPaused(const QJsonObject& params);

    QPointer<ChromiumBrowser> m_browser;
    QPointer<CdpConnection> m_connection;
    QString m_contextId;
    QString m_targetId;
    QString m_sessionId;
    QUrl m_requested;
    QMetaObject::Connection m_events;
};
