#include "engine/protocol/cdpconnection.h"

#include "engine/protocol/cdpmessage.h"
#include "engine/protocol/cdppipetransport.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// How long a browser whose pipe was closed gets to end on its own.
constexpr int StopGraceMs = 2000;

// PAGELITH_CDP_TRACE=1 logs every message (cut short) on the error output, for
// finding out what a browser said.
bool tracing()
{
    static const bool on = qEnvironmentVariableIsSet("PAGELITH_CDP_TRACE");
    return on;
}

// What the user gave as a header value, a cookie or a login (see
// CdpConnection::addTraceSecret), as it stands in a message.
QSet<QByteArray>& traceSecrets()
{
    static QSet<QByteArray> secrets;
    return secrets;
}

// The message with passwords, authorization and cookie headers, every cookie's
// value and whatever the user gave as a secret replaced by stars: a trace is
// pasted into reports.
QByteArray maskSecrets(const QByteArray& message)
{
    static const QRegularExpression secret(
        QStringLiteral(
            R"RX(("(?:password|(?:proxy-)?authorization|cookie|set-cookie)"\s*:\s*")(?:[^"\\]|\\.)*")RX"),
        QRegularExpression::CaseInsensitiveOption);
    // A cookie as the browser reports it: its name, then its value.
    static const QRegularExpression cookie(QStringLiteral(
        R"RX(("name"\s*:\s*"(?:[^"\\]|\\.)*"\s*,\s*"value"\s*:\s*")(?:[^"\\]|\\.)*")RX"));
    QByteArray masked = message;
    for (const QByteArray& given : std::as_const(traceSecrets()))
        masked.replace(given, "***");
    if (!masked.contains("assword") && !masked.contains("uthorization") && !masked.contains("ookie")
        && !masked.contains("\"value\""))
        return masked;
    return QString::fromUtf8(masked)
        .replace(secret, QStringLiteral("\\1***\""))
        .replace(cookie, QStringLiteral("\\1***\""))
        .toUtf8();
}

void trace(const char* direction, const QByteArray& message)
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    if (tracing())
        fprintf(stderr, "%7lld %s %s\n", clock.elapsed(), direction,
            maskSecrets(message.left(2000)).left(300).constData());
}

bool setNonBlocking(int fd)
{
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

QString jsonText(const QJsonObject& object, const char* key)
{
    return object.value(QLatin1String(key)).toString();
}

} // namespace

void CdpConnection::addTraceSecret(const QString& secret)
{
    if (secret.size() < 2)
        return;
    // As the secret stands inside a JSON string of a message.
    QByteArray quoted = QJsonDocument(QJsonArray { secret }).toJson(QJsonDocument::Compact);
    traceSecrets().insert(quoted.mid(2, quoted.size() - 4));
}

CdpConnection::CdpConnection(QObject* parent)
    : QObject(parent)
{
    m_browserSession = new CdpSession(this, QString(), QString(), this);
    connect(&m_process, &QProcess::finished, this,
        [this] { closeWithReason(tr("The browser closed")); });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::Crashed || error == QProcess::FailedToStart)
            closeWithReason(tr("The browser closed"));
    });
}

CdpConnection::~CdpConnection()
{
    // Nobody is told any more: the callbacks' owners are going too.
    blockSignals(true);
    disconnect(&m_process, nullptr, this, nullptr);
    for (CdpSession* session : std::as_const(m_sessions)) {
        session->m_pending.clear();
        delete session;
    }
    m_sessions.clear();
    m_browserSession->m_pending.clear();
    stop();
}

bool CdpConnection::start(const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment, QString* error)
{
    int toBrowser[2];
    int fromBrowser[2];
    if (pipe2(toBrowser, O_CLOEXEC) != 0) {
        *error = tr("Could not make a pipe to the browser");
        return false;
    }
    if (pipe2(fromBrowser, O_CLOEXEC) != 0) {
        ::close(toBrowser[0]);
        ::close(toBrowser[1]);
        *error = tr("Could not make a pipe to the browser");
        return false;
    }
    const int childRead = toBrowser[0];
    const int childWrite = fromBrowser[1];
    // Runs in the child between fork and exec: only async-signal-safe calls. The
    // ends are first moved above 4, so that placing one cannot close the other;
    // dup2 leaves the placed copies open across exec.
    m_process.setChildProcessModifier([childRead, childWrite] {
        const int r = fcntl(childRead, F_DUPFD_CLOEXEC, 10);
        const int w = fcntl(childWrite, F_DUPFD_CLOEXEC, 10);
        if (r < 0 || w < 0 || dup2(r, 3) < 0 || dup2(w, 4) < 0)
            _exit(127);
    });
    // The browser logs its own troubles (no session bus, no GPU) on its error
    // output: noise for our users, whose failures are reported in words.
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setProcessEnvironment(environment);
    m_process.start(program, arguments);
    const bool started = m_process.waitForStarted();
    ::close(childRead);
    ::close(childWrite);
    if (!started) {
        ::close(toBrowser[1]);
        ::close(fromBrowser[0]);
        *error = tr("Could not start %1: %2").arg(program, m_process.errorString());
        return false;
    }
    setNonBlocking(toBrowser[1]);
    setNonBlocking(fromBrowser[0]);
    open(std::make_unique<CdpPipeTransport>(fromBrowser[0], toBrowser[1]));
    return true;
}

void CdpConnection::open(std::unique_ptr<CdpTransport> transport)
{
    m_transport = std::move(transport);
    connect(m_transport.get(), &CdpTransport::received, this, &CdpConnection::onMessage);
    connect(m_transport.get(), &CdpTransport::closed, this, &CdpConnection::closeWithReason);
    m_closed = false;
}

qint64 CdpConnection::processId() const
{
    return m_process.processId();
}

void CdpConnection::stop()
{
    closeWithReason(tr("The browser was stopped"));
    if (m_process.state() == QProcess::NotRunning)
        return;
    // Without its pipe the browser ends by itself; one that does not is killed.
    if (!m_process.waitForFinished(StopGraceMs)) {
        m_process.kill();
        m_process.waitForFinished(StopGraceMs);
    }
}

void CdpConnection::send(
    const QString& method, const QJsonObject& params, const QString& sessionId, Reply reply)
{
    CdpSession* target = sessionId.isEmpty() ? m_browserSession : session(sessionId);
    if (target) {
        target->send(method, params, std::move(reply));
        return;
    }
    // A session that ended: its target is gone. Answers never come from inside send().
    if (reply)
        QMetaObject::invokeMethod(
            this,
            [reply] {
                reply({}, CdpError(CdpError::Kind::TargetClosed, tr("The page was closed")));
            },
            Qt::QueuedConnection);
}

CdpSession* CdpConnection::session(const QString& sessionId) const
{
    return m_sessions.value(sessionId);
}

int CdpConnection::pendingCount() const
{
    int count = m_browserSession->pendingCount();
    for (const CdpSession* session : m_sessions)
        count += session->pendingCount();
    return count;
}

int CdpConnection::post(const QString& method, const QJsonObject& params, const QString& sessionId)
{
    if (m_closed || !m_transport)
        return 0;
    const int id = m_nextId++;
    QJsonObject message { { QStringLiteral("id"), id }, { QStringLiteral("method"), method } };
    if (!params.isEmpty())
        message.insert(QStringLiteral("params"), params);
    if (!sessionId.isEmpty())
        message.insert(QStringLiteral("sessionId"), sessionId);
    const QByteArray bytes = QJsonDocument(message).toJson(QJsonDocument::Compact);
    trace(">>", bytes);
    m_transport->write(bytes);
    return id;
}

void CdpConnection::onMessage(const CdpMessage& message)
{
    if (tracing()) {
        // What it says first, so that the cut-short line still names it.
        const QByteArray head
            = (message.id > 0 ? "id " + QByteArray::number(message.id) : message.method.toUtf8())
            + " session " + message.sessionId.toUtf8() + ' ' + message.error.toUtf8()
            + message.unreadable.toUtf8()
            + (message.bulk.isEmpty() ? QByteArray()
                                      : " bulk " + QByteArray::number(message.bulk.size()))
            + ' ';
        trace("<<", head + QJsonDocument(message.body).toJson(QJsonDocument::Compact));
    }
    if (!message.unreadable.isEmpty()) {
        onUnreadable(message);
        return;
    }
    if (message.id > 0) {
        CdpSession* owner
            = message.sessionId.isEmpty() ? m_browserSession : session(message.sessionId);
        // An answer for a session that ended, or to a command that timed out, has
        // nobody waiting for it.
        if (owner) {
            m_bulk = message.bulk;
            owner->handleReply(message);
            m_bulk.clear();
        }
        return;
    }
    onTargetEvent(message);
    QPointer<CdpConnection> self(this);
    emit event(message.method, message.body, message.sessionId);
    if (!self)
        return;
    if (QPointer<CdpSession> from = session(message.sessionId)) {
        emit from->event(message.method, message.body);
        // A renderer that crashed answers nothing it was asked.
        if (from && message.method == QLatin1String("Inspector.targetCrashed"))
            from->failPending(
                CdpError(CdpError::Kind::TargetClosed, tr("The page's renderer crashed")));
    }
}

void CdpConnection::onTargetEvent(const CdpMessage& message)
{
    const CdpError closed(CdpError::Kind::TargetClosed, tr("The page was closed"));
    // In flat mode the browser reports a target attached before it answers the
    // command that attached it, so the session exists for the first event on it.
    if (message.method == QLatin1String("Target.attachedToTarget")) {
        const QString id = jsonText(message.body, "sessionId");
        const QString target
            = jsonText(message.body.value(QStringLiteral("targetInfo")).toObject(), "targetId");
        if (!id.isEmpty() && !m_sessions.contains(id)) {
            m_sessions.insert(id, new CdpSession(this, id, target, this));
            m_parents.insert(id, message.sessionId);
        }
    } else if (message.method == QLatin1String("Target.detachedFromTarget")) {
        detachSession(jsonText(message.body, "sessionId"), closed);
    } else if (message.method == QLatin1String("Target.targetDestroyed")
        || message.method == QLatin1String("Target.targetCrashed")) {
        const QString target = jsonText(message.body, "targetId");
        for (const CdpSession* session : m_sessions.values()) {
            if (session->targetId() == target)
                detachSession(session->id(), closed);
        }
    }
}

void CdpConnection::detachSession(const QString& id, const CdpError& reason)
{
    CdpSession* gone = m_sessions.take(id);
    m_parents.remove(id);
    if (!gone)
        return;
    // The browser does not always report the frames of a page that went.
    for (const QString& child : m_parents.keys(id))
        detachSession(child, reason);
    gone->detach(reason);
}

void CdpConnection::onUnreadable(const CdpMessage& message)
{
    const CdpError error(CdpError::Kind::BadReply, message.unreadable);
    QList<CdpSession*> sessions = m_sessions.values();
    sessions.prepend(m_browserSession);
    if (message.id > 0) {
        // The answer's session may not be known (its end was cut off): the id is.
        for (CdpSession* session : std::as_const(sessions)) {
            if (session->failCommand(message.id, error))
                return;
        }
        return;
    }
    // An event that could not be read leaves its page in a state nobody knows: the
    // page's session ends, with the reason.
    detachSession(message.sessionId, error);
}

void CdpConnection::closeWithReason(const QString& reason)
{
    if (m_closed)
        return;
    m_closed = true;
    if (m_transport) {
        m_transport->disconnect(this);
        m_transport->close();
        // It may be the sender of the signal that brought us here.
        m_transport.release()->deleteLater();
    }
    const CdpError error(CdpError::Kind::BrowserClosed, reason);
    QPointer<CdpConnection> self(this);
    m_parents.clear();
    const QList<CdpSession*> sessions = std::exchange(m_sessions, {}).values();
    for (CdpSession* session : sessions)
        session->detach(error);
    if (!self)
        return;
    m_browserSession->failPending(error);
    if (self)
        emit closed(reason);
}
