#pragma once

#include "engine/protocol/cdpsession.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

class CdpTransport;
struct CdpMessage;

// A browser driven through the DevTools protocol: the process, started with
// --remote-debugging-pipe, and the connection over its pipe (see
// CdpPipeTransport), which hands each answer to the session that sent the
// command and each event to its session. No port is opened, so no other program
// on the machine can reach the browser.
//
// Sessions of attached targets are made when the browser reports them attached
// (flat mode) and end when it reports them detached, or when the browser goes:
// every command still waiting then fails at once (see CdpSession).
class CdpConnection : public QObject
{
    Q_OBJECT
public:
    using Reply = CdpSession::Reply;

    // A command's time limit unless its session or its sender sets one.
    static constexpr int DefaultCommandTimeoutMs = 60000;

    // A value the user gave as a header, a cookie or a login: never written in
    // the protocol's trace (PAGELITH_CDP_TRACE), wherever it appears. A value of
    // one character is too common to mask and too short to be a secret.
    static void addTraceSecret(const QString& secret);

    explicit CdpConnection(QObject* parent = nullptr);
    ~CdpConnection() override;

    // Starts `program` with `arguments` (which must hold --remote-debugging-pipe)
    // in `environment`.
    bool start(const QString& program, const QStringList& arguments,
        const QProcessEnvironment& environment, QString* error);
    // Talks over `transport` (a fake, in the tests) instead of a process's pipe.
    void open(std::unique_ptr<CdpTransport> transport);
    bool isRunning() const { return !m_closed; }
    qint64 processId() const;
    // Ends the browser: closes its pipe, then kills it if it does not go.
    void stop();

    // Sends a command to the browser (empty `sessionId`) or to an attached target;
    // see CdpSession::send().
    void send(const QString& method, const QJsonObject& params = {},
        const QString& sessionId = QString(), Reply reply = {});
    // The browser's own session, and an attached target's (null when it is not
    // attached, or no longer).
    CdpSession* browserSession() const { return m_browserSession; }
    CdpSession* session(const QString& sessionId) const;
    // Commands waiting for their answer, over all sessions.
    int pendingCount() const;
    // Sessions of attached targets.
    int sessionCount() const { return int(m_sessions.size()); }

    void setCommandTimeout(int ms) { m_timeoutMs = ms; }
    int commandTimeout() const { return m_timeoutMs; }

    // During a reply: the bulk payload the browser sent as a long base64 string
    // (a screenshot's or a stream's "data"), still encoded, taken out of the
    // message before it was parsed so that tens of megabytes never become JSON;
    // empty otherwise. Decode it where the work is done (off the GUI thread).
    const QByteArray& bulkBase64() const { return m_bulk; }

signals:
    // Every event, of every session.
    void event(const QString& method, const QJsonObject& params, const QString& sessionId);
    // The process ended or its pipe broke; every command waiting got its error.
    void closed(const QString& reason);

private:
    friend class CdpSession;
    // Writes a command; returns its id, or 0 when the connection is closed.
    int post(const QString& method, const QJsonObject& params, const QString& sessionId);

    void onMessage(const CdpMessage& message);
    void onUnreadable(const CdpMessage& message);
    void onTargetEvent(const CdpMessage& message);
    // Ends the session `id` and those attached through it (a page's frames).
    void detachSession(const QString& id, const CdpError& reason);
    void closeWithReason(const QString& reason);

    QProcess m_process;
    std::unique_ptr<CdpTransport> m_transport;
    CdpSession* m_browserSession = nullptr;
    QHash<QString, CdpSession*> m_sessions;
    // Each attached session's parent session (empty: the browser's).
    QHash<QString, QString> m_parents;
    int m_nextId = 1;
    int m_timeoutMs = DefaultCommandTimeoutMs;
    QByteArray m_bulk;
    bool m_closed = true;
};
