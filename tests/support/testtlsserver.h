#pragma once

#include <QByteArray>
#include <QObject>
#include <QSslServer>
#include <QUrl>

// A loopback HTTPS server for tests whose certificate no browser trusts (made for
// the tests, for 127.0.0.1, signed by itself): every request gets `page`.
class TestTlsServer : public QObject
{
    Q_OBJECT
public:
    explicit TestTlsServer(const QByteArray& page, QObject* parent = nullptr);

    // Listens on 127.0.0.1, on a free port.
    bool start();
    // https://127.0.0.1:<port><path>
    QUrl url(const QString& path) const;
    // Requests answered so far (those whose handshake succeeded).
    int requestCount() const { return m_requests; }
    // From now on a request without this Authorization value gets 401 and a
    // Basic challenge; `page` only with it.
    void requireAuthorization(const QByteArray& value) { m_authorization = value; }

private:
    void onConnection();

    QSslServer m_server;
    QByteArray m_page;
    int m_requests = 0;
    QByteArray m_authorization;
};
