#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A loopback HTTP/1.1 server for tests: it listens on 127.0.0.1 on a free port and
// answers each path with a canned response. Requests for unknown paths get 404.
//
//   TestHttpServer server;
//   QVERIFY(server.start());
//   server.route("/ok", TestHttpServer::page("<html>...</html>"));
//   server.route("/missing", TestHttpServer::status(404));
//   server.route("/broken", TestHttpServer::status(500));
//   server.route("/forbidden", TestHttpServer::status(403));
//   server.route("/hang", TestHttpServer::neverAnswer());    // connection stays open, no reply
//   server.route("/slow", TestHttpServer::slow(html, 1500)); // reply after 1.5 s (a timer, no
//   sleep)
//   server.route("/loop", TestHttpServer::redirect("/loop"));  // 302 to the given address
//   server.route("/half", TestHttpServer::unfinished(html));   // body sent, response never ends
//   load(server.url("/ok"));
//
// Everything runs on the thread's event loop; no threads, no sleeps.
// Chromium maps even IP literals through --host-resolver-rules: a rule that fails
// every host must say "EXCLUDE 127.0.0.1" for this server to be reached.
class TestHttpServer : public QObject
{
    Q_OBJECT
public:
    struct Response
    {
        int status = 200;
        QByteArray contentType = "text/html; charset=utf-8";
        QByteArray body;
        int delayMs = 0; // answer after this long
        bool neverAnswer = false; // accept the request and never reply
        bool neverEnds = false; // send the body, then hold the connection open
        QByteArray location; // a Location header, when not empty
        // When not empty: a request without exactly this Authorization header gets
        // 401 with a challenge for basic authentication.
        QByteArray authorization;
        // The same for a proxy: without this Proxy-Authorization header, 407.
        QByteArray proxyAuthorization;
        bool challenge = false; // a WWW-Authenticate (or, for 407, Proxy-) header
    };

    explicit TestHttpServer(QObject* parent = nullptr);
    ~TestHttpServer() override;

    // Listens on 127.0.0.1, on a free port.
    bool start(QString* error = nullptr);
    quint16 port() const;
    // http://127.0.0.1:<port><path>
    QUrl url(const QString& path) const;

    void route(const QString& path, const Response& response);
    // How many requests reached `path` so far.
    int requestCount(const QString& path) const;
    // The value of header `name` in the latest request for `path` (several joined
    // by ", "), or an empty text. A proxy's requests are kept under their whole
    // address ("http://host/path").
    QByteArray requestHeader(const QString& path, const QByteArray& name) const;
    // Whether any request for `path` carried header `name`.
    bool everSent(const QString& path, const QByteArray& name) const;

    static Response page(const QByteArray& html);
    static Response status(int code, const QByteArray& body = QByteArray());
    static Response neverAnswer();
    static Response slow(const QByteArray& html, int delayMs);
    static Response redirect(const QByteArray& location);
    static Response unfinished(const QByteArray& html);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);
    void reply(QTcpSocket* socket, const Response& response);

    QTcpServer m_server;
    QHash<QString, Response> m_routes;
    QHash<QString, int> m_counts;
    QHash<QString, QList<QByteArray>> m_heads;
    QHash<QTcpSocket*, QByteArray> m_pending;
    QList<QPointer<QTcpSocket>> m_held;
};
