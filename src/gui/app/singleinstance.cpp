#include "gui/app/singleinstance.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {

// Tells a message of this program from anything else that reaches the socket.
constexpr quint32 MessageMagic = 0x504c4931;
constexpr QDataStream::Version StreamVersion = QDataStream::Qt_6_4;
// The running program answers from its event loop, which may be busy starting
// up or converting a page.
constexpr int ConnectMs = 2000;
constexpr int AnswerMs = 15000;
const QByteArray Received("1");

} // namespace

SingleInstance::SingleInstance(const QString& serverName, QObject* parent)
    : QObject(parent)
    , m_serverName(serverName)
    , m_server(new QLocalServer(this))
{
    // No socket options: the socket lives in the user's private runtime folder
    // already, and with options Qt would move a new socket over any old file,
    // a live program's included, instead of failing on it.
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketPath(const QString& applicationFolder)
{
    const QByteArray folderHash
        = QCryptographicHash::hash(applicationFolder.toUtf8(), QCryptographicHash::Sha1)
              .toHex()
              .left(12);
    return QStringLiteral("%1/pagelith-%2.socket")
        .arg(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation),
            QString::fromLatin1(folderHash));
}

SingleInstance::Role SingleInstance::claim(
    const QStringList& arguments, const QString& workingFolder)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        switch (deliver(arguments, workingFolder)) {
        case Delivery::Delivered:
            return Role::HandedOver;
        case Delivery::NoAnswer:
            return Role::Alone;
        case Delivery::NoServer:
            break;
        }
        if (m_server->listen(m_serverName))
            return Role::First;
        if (m_server->serverError() != QAbstractSocket::AddressInUseError)
            return Role::Alone;
        // A socket nobody answers on was left by a program that ended without
        // closing it (a crash, a kill). Another start that began listening in
        // the meantime is found by the second attempt's delivery.
        QLocalServer::removeServer(m_serverName);
    }
    return Role::Alone;
}

SingleInstance::Delivery SingleInstance::deliver(
    const QStringList& arguments, const QString& workingFolder) const
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(ConnectMs))
        return Delivery::NoServer;
    QByteArray message;
    QDataStream stream(&message, QIODevice::WriteOnly);
    stream.setVersion(StreamVersion);
    stream << MessageMagic << workingFolder << arguments;
    socket.write(message);
    if (!socket.waitForBytesWritten(AnswerMs))
        return Delivery::NoAnswer;
    while (socket.bytesAvailable() < Received.size()) {
        if (!socket.waitForReadyRead(AnswerMs))
            return Delivery::NoAnswer;
    }
    return socket.read(Received.size()) == Received ? Delivery::Delivered : Delivery::NoAnswer;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
        if (socket->bytesAvailable() > 0)
            readMessage(socket);
    }
}

void SingleInstance::readMessage(QLocalSocket* socket)
{
    QDataStream stream(socket);
    stream.setVersion(StreamVersion);
    stream.startTransaction();
    quint32 magic = 0;
    QString workingFolder;
    QStringList arguments;
    stream >> magic;
    if (stream.status() == QDataStream::Ok && magic != MessageMagic) {
        socket->abort();
        return;
    }
    stream >> workingFolder >> arguments;
    // Not all of it has come yet: readyRead brings the rest.
    if (!stream.commitTransaction()) {
        if (stream.status() == QDataStream::ReadCorruptData)
            socket->abort();
        return;
    }
    socket->write(Received);
    socket->flush();
    emit argumentsReceived(arguments, workingFolder);
}
