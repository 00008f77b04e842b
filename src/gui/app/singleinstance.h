#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// One window per user and copy of the program: the first start listens on a
// local socket of its own; a later start hands its arguments (and the folder it
// was started in, against which they are read) to that one and ends.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Role {
        // This start listens: later starts hand their arguments to it.
        First,
        // A running program took the arguments: this start ends.
        HandedOver,
        // Neither: a running program did not answer, or the socket could not be
        // made. This start opens a window of its own.
        Alone,
    };

    // `serverName` is the socket's path; see socketPath().
    explicit SingleInstance(const QString& serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket of the program in `applicationFolder`, in the user's private
    // runtime folder: other users cannot reach it, and a portable copy does not
    // hand its arguments to an installed one.
    static QString socketPath(const QString& applicationFolder);

    // Hands the arguments to a running program, or else starts listening.
    Role claim(const QStringList& arguments, const QString& workingFolder);

signals:
    void argumentsReceived(const QStringList& arguments, const QString& workingFolder);

private:
    enum class Delivery { NoServer, Delivered, NoAnswer };
    Delivery deliver(const QStringList& arguments, const QString& workingFolder) const;
    void acceptConnections();
    void readMessage(QLocalSocket* socket);

    QString m_serverName;
    QLocalServer* m_server;
};
