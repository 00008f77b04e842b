#include "testhttpserver.h"

#include <QTcpSocket>
#include <QTimer>

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 407:
        return "Proxy Authentication Required";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

} // namespace

TestHttpServer::TestHttpServer(QObject* parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::onNewConnection);
}

TestHttpServer::~TestHttpServer()
{
    // The sockets are the listening server's children and would otherwise die with
    // it, after this object's members: their handlers must not run by then.
    m_server.close();
    for (const QPointer<QTcpSocket>& socket : std::as_const(m_held)) {
        if (!socket)
            continue;
        disconnect(socket, nullptr, this, nullptr);
        socket->abort();
        delete socket.data();
    }
}

bool TestHttpServer::start(QString* error)
{
    if (m_server.isListening())
        return true;
    if (m_server.listen(QHostAddress::LocalHost, 0))
        return true;
    if (error)
        *error = m_server.errorString();
    return false;
}

quint16 TestHttpServer::port() const
{
    return m_server.serverPort();
}

QUrl TestHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path));
}

void TestHttpServer::route(const QString& path, const Response& response)
{
    m_routes.insert(path, response);
}

int TestHttpServer::requestCount(const QString& path) const
{
    return m_counts.value(path);
}

namespace {

// The values of header `name` in the request head `head`.
QList<QByteArray> headerValues(const QByteArray& head, const QByteArray& name)
{
    QList<QByteArray> values;
    const QList<QByteArray> lines = head.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            values << line.mid(colon + 1).trimmed();
    }
    return values;
}

} // namespace

QByteArray TestHttpServer::requestHeader(const QString& path, const QByteArray& name) const
{
    const QList<QByteArray> heads = m_heads.value(path);
    return heads.isEmpty() ? QByteArray() : headerValues(heads.constLast(), name).join(", ");
}

bool TestHttpServer::everSent(const QString& path, const QByteArray& name) const
{
    for (const QByteArray& head : m_heads.value(path)) {
        if (!headerValues(head, name).isEmpty())
            return true;
    }
    return false;
}

TestHttpServer::Response TestHttpServer::page(const QByteArray& html)
{
    Response r;
    r.body = html;
    return r;
}

TestHttpServer::Response TestHttpServer::status(int code, const QByteArray& body)
{
    Response r;
    r.status = code;
    r.body = body.isEmpty()
        ? QByteArray("<html><body><h1>") + QByteArray::number(code) + "</h1></body></html>"
        : body;
    return r;
}

TestHttpServer::Response TestHttpServer::neverAnswer()
{
    Response r;
    r.neverAnswer = true;
    return r;
}

TestHttpServer::Response TestHttpServer::slow(const QByteArray& html, int delayMs)
{
    Response r = page(html);
    r.delayMs = delayMs;
    return r;
}

TestHttpServer::Response TestHttpServer::redirect(const QByteArray& location)
{
    Response r = status(302);
    r.location = location;
    return r;
}

TestHttpServer::Response TestHttpServer::unfinished(const QByteArray& html)
{
    Response r = page(html);
    r.neverEnds = true;
    return r;
}

void TestHttpServer::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        m_held.append(socket);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { m_pending.remove(socket); });
    }
}

void TestHttpServer::onReadyRead(QTcpSocket* socket)
{
    QByteArray& buffer = m_pending[socket];
    buffer += socket->readAll();
    const int end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QList<QByteArray> requestLine = buffer.left(buffer.indexOf("\r\n")).split(' ');
    const QByteArray head = buffer.left(end);
    buffer.remove(0, end + 4);
    QString path
        = requestLine.size() >= 2 ? QString::fromLatin1(requestLine[1]) : QStringLiteral("/");
    path = path.section(QLatin1Char('?'), 0, 0);
    ++m_counts[path];
    m_heads[path] << head;
    const auto it = m_routes.constFind(path);
    Response response = it != m_routes.constEnd() ? *it : status(404);
    if (!response.proxyAuthorization.isEmpty()
        && headerValues(head, "Proxy-Authorization").value(0) != response.proxyAuthorization) {
        response = status(407);
        response.challenge = true;
    } else if (!response.authorization.isEmpty()
        && headerValues(head, "Authorization").value(0) != response.authorization) {
        response = status(401);
        response.challenge = true;
    }
    if (response.neverAnswer)
        return;
    if (response.delayMs > 0) {
        QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(response.delayMs, this, [this, guard, response] {
            if (guard)
                reply(guard, response);
        });
        return;
    }
    reply(socket, response);
}

void TestHttpServer::reply(QTcpSocket* socket, const Response& response)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' '
        + reasonPhrase(response.status) + "\r\n";
    head += "Content-Type: " + response.contentType + "\r\n";
    if (!response.location.isEmpty())
        head += "Location: " + response.location + "\r\n";
    if (response.challenge)
        head += QByteArray(response.status == 407 ? "Proxy" : "WWW")
            + "-Authenticate: Basic realm=\"test\"\r\n";
    // A response that never ends has no length: the client waits for the close.
    if (!response.neverEnds)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    head += "Cache-Control: no-store\r\nConnection: close\r\n\r\n";
    socket->write(head + response.body);
    if (!response.neverEnds)
        socket->disconnectFromHost();
}
