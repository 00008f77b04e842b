#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>

class QSocketNotifier;

// A browser process driven through the DevTools protocol over a pipe
// (--remote-debugging-pipe): the browser reads commands on its fd 3 and writes
// answers and events on its fd 4, each message a JSON object ended by a NUL byte.
// No port is opened, so no other program on the machine can reach the browser.
//
// Every command gets exactly one answer: its result, or an error text (the
// protocol's error message, or "the browser closed" when the process ends first).
class CdpConnection : public QObject
{
    Q_OBJECT
public:
    using Reply = std::function<void(const QJsonObject& result, const QString& error)>;

    explicit CdpConnection(QObject* parent = nullptr);
    ~CdpConnection() override;

    // Starts `program` with `arguments` (which must hold --remote-debugging-pipe)
    // in `environment`.
    bool start(const QString& program, const QStringList& arguments,
        const QProcessEnvironment& environment, QString* error);
    bool isRunning() const;
    qint64 processId() const;
    // Ends the browser: closes its pipe, then kills it if it does not go.
    void stop();

    // Sends a command to the browser (empty `sessionId`) or to an attached target.
    // `reply` may be empty. Returns the command's id.
    int send(const QString& method, const QJsonObject& params = {},
        const QString& sessionId = QString(), Reply reply = {});

    // During a reply: the bulk payload the protocol sends as a long base64 string
    // (a screenshot's "data"), taken out of the message before it was parsed so that
    // tens of megabytes are not turned into JSON text and back; empty otherwise.
    const QByteArray& bulkData() const { return m_bulk; }

signals:
    void event(const QString& method, const QJsonObject& params, const QString& sessionId);
    // The process ended or its pipe broke; every command waiting got its error.
    void closed(const QString& reason);

private:
    void onReadable();
    void onWritable();
    void handleMessage(const QByteArray& message);
    void closeWithReason(const QString& reason);
    void closePipes();

    QProcess m_process;
    int m_writeFd = -1;
    int m_readFd = -1;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QByteArray m_in;
    // How far m_in is known to hold no message end: a screenshot arrives in many
    // reads, and scanning it from its start after each would cost its size squared.
    qsizetype m_scanned = 0;
    QByteArray m_out;
    int m_nextId = 1;
    QHash<int, Reply> m_waiting;
    QByteArray m_bulk;
    bool m_closed = true;
};
