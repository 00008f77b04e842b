#pragma once

#include "engine/protocol/cdperror.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <climits>
#include <functional>

class CdpConnection;
struct CdpMessage;

// One protocol session: the browser's own (no id) or one attached target's. It
// keeps the callbacks of its commands, so that a session that ends fails each of
// them at once; the browser never answers a command whose target went.
//
// Every command has a time limit (the session's, else the connection's): one
// without an answer by then fails with CdpError::Timeout, and a late answer is
// dropped. A command sent with an owner is forgotten when its owner goes: its
// callback never runs on a freed object.
class CdpSession : public QObject
{
    Q_OBJECT
public:
    using Reply = std::function<void(const QJsonObject& result, const CdpError& error)>;

    CdpSession(CdpConnection* connection, const QString& id, const QString& targetId,
        QObject* parent = nullptr);
    ~CdpSession() override;

    QString id() const { return m_id; }
    QString targetId() const { return m_targetId; }
    CdpConnection* connection() const { return m_connection; }
    bool isAttached() const { return m_attached; }

    // Sends a command. `reply` gets its result or error exactly once, never from
    // inside this call, and not at all once `owner` (when given) is destroyed.
    // `timeoutMs` 0 takes the session's limit.
    void send(const QString& method, const QJsonObject& params = {}, Reply reply = {},
        const QObject* owner = nullptr, int timeoutMs = 0);
    // The limit of this session's commands; 0 takes the connection's.
    void setCommandTimeout(int ms) { m_timeoutMs = ms; }
    int commandTimeout() const;
    // Commands whose answer is awaited.
    int pendingCount() const { return int(m_pending.size()); }

    // Fails every command still waiting with `reason` (the session stays).
    void failPending(const CdpError& reason);

signals:
    void event(const QString& method, const QJsonObject& params);
    // The session ended (its target closed or crashed, the browser went); every
    // command still waiting got `reason`. The session is deleted soon after.
    void detached(const CdpError& reason);

private:
    friend class CdpConnection;
    struct Pending
    {
        QString method;
        Reply reply;
        QPointer<const QObject> owner;
        bool owned = false;
        QDeadlineTimer deadline;
        int timeoutMs = 0;
    };

    // Called by the connection.
    bool handleReply(const CdpMessage& message);
    bool failCommand(int id, const CdpError& reason);
    void detach(const CdpError& reason);

    void run(Pending pending, const QJsonObject& result, const CdpError& error);
    void checkDeadlines();
    void armDeadlines();

    QPointer<CdpConnection> m_connection;
    QString m_id;
    QString m_targetId;
    bool m_attached = true;
    int m_timeoutMs = 0;
    QHash<int, Pending> m_pending;
    QTimer m_deadlines;
};
