#include "engine/protocol/cdpsession.h"

#include "engine/protocol/cdpconnection.h"
#include "engine/protocol/cdpmessage.h"

CdpSession::CdpSession(
    CdpConnection* connection, const QString& id, const QString& targetId, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
    , m_id(id)
    , m_targetId(targetId)
{
    m_deadlines.setSingleShot(true);
    connect(&m_deadlines, &QTimer::timeout, this, &CdpSession::checkDeadlines);
}

CdpSession::~CdpSession() = default;

int CdpSession::commandTimeout() const
{
    if (m_timeoutMs > 0)
        return m_timeoutMs;
    return m_connection ? m_connection->commandTimeout() : CdpConnection::DefaultCommandTimeoutMs;
}

void CdpSession::send(const QString& method, const QJsonObject& params, Reply reply,
    const QObject* owner, int timeoutMs)
{
    const int id = m_attached && m_connection ? m_connection->post(method, params, m_id) : 0;
    if (id == 0) {
        if (!reply)
            return;
        // Answers never come from inside send().
        const CdpError error = m_attached
            ? CdpError(CdpError::Kind::BrowserClosed, tr("The browser closed"))
            : CdpError(CdpError::Kind::TargetClosed, tr("The page was closed"));
        QPointer<const QObject> guard(owner);
        QMetaObject::invokeMethod(
            m_connection ? static_cast<QObject*>(m_connection) : this,
            [reply, guard, owned = owner != nullptr, error] {
                if (!owned || guard)
                    reply({}, error);
            },
            Qt::QueuedConnection);
        return;
    }
    if (!reply)
        return;
    Pending pending;
    pending.method = method;
    pending.reply = std::move(reply);
    pending.owner = owner;
    pending.owned = owner != nullptr;
    pending.timeoutMs = timeoutMs > 0 ? timeoutMs : commandTimeout();
    pending.deadline = QDeadlineTimer(pending.timeoutMs);
    m_pending.insert(id, std::move(pending));
    armDeadlines();
}

bool CdpSession::handleReply(const CdpMessage& message)
{
    auto it = m_pending.find(message.id);
    if (it == m_pending.end())
        return false;
    Pending pending = std::move(it.value());
    m_pending.erase(it);
    if (message.hasError) {
        const QString text = message.error.isEmpty()
            ? tr("The browser refused %1").arg(pending.method)
            : message.error;
        run(std::move(pending), {}, CdpError::fromProtocol(text));
    } else {
        run(std::move(pending), message.body, CdpError());
    }
    return true;
}

bool CdpSession::failCommand(int id, const CdpError& reason)
{
    auto it = m_pending.find(id);
    if (it == m_pending.end())
        return false;
    Pending pending = std::move(it.value());
    m_pending.erase(it);
    run(std::move(pending), {}, reason);
    return true;
}

void CdpSession::run(Pending pending, const QJsonObject& result, const CdpError& error)
{
    if (pending.owned && !pending.owner)
        return;
    pending.reply(result, error);
}

void CdpSession::failPending(const CdpError& reason)
{
    m_deadlines.stop();
    QPointer<CdpSession> self(this);
    const QHash<int, Pending> pending = std::exchange(m_pending, {});
    for (const Pending& command : pending) {
        run(command, {}, reason);
        if (!self)
            return;
    }
}

void CdpSession::detach(const CdpError& reason)
{
    if (!m_attached)
        return;
    m_attached = false;
    QPointer<CdpSession> self(this);
    failPending(reason);
    if (!self)
        return;
    emit detached(reason);
    if (self)
        deleteLater();
}

void CdpSession::armDeadlines()
{
    qint64 next = -1;
    for (const Pending& pending : std::as_const(m_pending)) {
        const qint64 left = std::max<qint64>(0, pending.deadline.remainingTime());
        if (next < 0 || left < next)
            next = left;
    }
    if (next < 0)
        m_deadlines.stop();
    else if (!m_deadlines.isActive() || m_deadlines.remainingTime() > next)
        m_deadlines.start(int(std::min<qint64>(next, INT_MAX)));
}

void CdpSession::checkDeadlines()
{
    QList<int> expired;
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        if (it.value().deadline.hasExpired())
            expired << it.key();
    }
    QPointer<CdpSession> self(this);
    for (const int id : std::as_const(expired)) {
        auto it = m_pending.find(id);
        if (it == m_pending.end())
            continue;
        Pending pending = std::move(it.value());
        m_pending.erase(it);
        const CdpError error(CdpError::Kind::Timeout,
            tr("The browser did not answer %1 within %2 s")
                .arg(pending.method)
                .arg((pending.timeoutMs + 999) / 1000));
        run(std::move(pending), {}, error);
        if (!self)
            return;
    }
    armDeadlines();
}
