#include "engine/protocol/cdpconnection.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QPointer>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// How long a browser whose pipe was closed gets to end on its own.
constexpr int StopGraceMs = 2000;

// Messages longer than this are looked at for a bulk payload (see bulkData()).
constexpr qsizetype BulkThreshold = 1 << 16;

// Where the string value of "data" lies in a message, or an empty range. The key is
// looked for only at the start of a result, where the protocol puts it in the
// answers that carry pictures and streams; a base64 payload holds no quote or
// backslash, so its end is the next quote.
std::pair<qsizetype, qsizetype> bulkRange(const QByteArray& message)
{
    static const QByteArray key = QByteArrayLiteral("\"result\":{\"data\":\"");
    const qsizetype at = message.indexOf(key);
    if (at < 0 || at > 64)
        return { 0, 0 };
    const qsizetype begin = at + key.size();
    const qsizetype end = message.indexOf('"', begin);
    return end < 0 ? std::pair<qsizetype, qsizetype> { 0, 0 } : std::pair { begin, end };
}

// Reads in chunks this large: a full-page screenshot is tens of megabytes.
constexpr qsizetype ReadChunk = 1 << 20;

// PAGELITH_CDP_TRACE=1 logs every message (cut short) on the error output, for
// finding out what a browser said.
bool tracing()
{
    static const bool on = qEnvironmentVariableIsSet("PAGELITH_CDP_TRACE");
    return on;
}

// The message with passwords and authorization headers (the credentials the
// browser sends, in base64) replaced by stars: a trace is pasted into reports.
QByteArray maskSecrets(const QByteArray& message)
{
    static const QRegularExpression secret(
        QStringLiteral(R"RX(("(?:password|(?:proxy-)?authorization)"\s*:\s*")(?:[^"\\]|\\.)*")RX"),
        QRegularExpression::CaseInsensitiveOption);
    if (!message.contains("assword") && !message.contains("uthorization"))
        return message;
    return QString::fromUtf8(message).replace(secret, QStringLiteral("\\1***\"")).toUtf8();
}

void trace(const char* direction, const QByteArray& message)
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    if (tracing())
        fprintf(stderr, "%7lld %s %s\n", clock.elapsed(), direction,
            maskSecrets(message).left(300).constData());
}

bool setNonBlocking(int fd)
{
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

} // namespace

CdpConnection::CdpConnection(QObject* parent)
    : QObject(parent)
{
    connect(&m_process, &QProcess::finished, this,
        [this] { closeWithReason(tr("The browser closed")); });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::Crashed || error == QProcess::FailedToStart)
            closeWithReason(tr("The browser closed"));
    });
}

CdpConnection::~CdpConnection()
{
    m_waiting.clear();
    blockSignals(true);
    disconnect(&m_process, nullptr, this, nullptr);
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
    m_writeFd = toBrowser[1];
    m_readFd = fromBrowser[0];
    setNonBlocking(m_writeFd);
    setNonBlocking(m_readFd);
    m_readNotifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &CdpConnection::onReadable);
    m_writeNotifier = new QSocketNotifier(m_writeFd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &CdpConnection::onWritable);
    m_closed = false;
    return true;
}

bool CdpConnection::isRunning() const
{
    return !m_closed;
}

qint64 CdpConnection::processId() const
{
    return m_process.processId();
}

void CdpConnection::stop()
{
    closeWithReason(tr("The browser was stopped"));
    closePipes();
    if (m_process.state() == QProcess::NotRunning)
        return;
    // Without its pipe the browser ends by itself; one that does not is killed.
    if (!m_process.waitForFinished(StopGraceMs)) {
        m_process.kill();
        m_process.waitForFinished(StopGraceMs);
    }
}

int CdpConnection::send(
    const QString& method, const QJsonObject& params, const QString& sessionId, Reply reply)
{
    const int id = m_nextId++;
    if (m_closed) {
        if (reply) {
            // Answers never come from inside send().
            QTimer::singleShot(0, this, [reply] { reply({}, tr("The browser closed")); });
        }
        return id;
    }
    QJsonObject message { { QStringLiteral("id"), id }, { QStringLiteral("method"), method } };
    if (!params.isEmpty())
        message.insert(QStringLiteral("params"), params);
    if (!sessionId.isEmpty())
        message.insert(QStringLiteral("sessionId"), sessionId);
    if (reply)
        m_waiting.insert(id, std::move(reply));
    const QByteArray bytes = QJsonDocument(message).toJson(QJsonDocument::Compact);
    trace(">>", bytes);
    m_out += bytes;
    m_out += '\0';
    onWritable();
    return id;
}

void CdpConnection::onWritable()
{
    while (!m_out.isEmpty() && m_writeFd >= 0) {
        const ssize_t n = ::write(m_writeFd, m_out.constData(), size_t(m_out.size()));
        if (n > 0) {
            m_out.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        closeWithReason(tr("The browser closed"));
        return;
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_out.isEmpty());
}

void CdpConnection::onReadable()
{
    for (;;) {
        const qsizetype old = m_in.size();
        m_in.resize(old + ReadChunk);
        const ssize_t n = ::read(m_readFd, m_in.data() + old, size_t(ReadChunk));
        m_in.resize(old + std::max<qsizetype>(n, 0));
        if (n > 0)
            continue;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // End of file: the browser is gone.
        closeWithReason(tr("The browser closed"));
        return;
    }
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = m_in.indexOf('\0', std::max(start, m_scanned));
        if (end < 0) {
            m_scanned = m_in.size();
            break;
        }
        const QByteArray message = m_in.mid(start, end - start);
        start = end + 1;
        QPointer<CdpConnection> self(this);
        handleMessage(message);
        if (!self || m_readFd < 0)
            return;
    }
    m_in.remove(0, start);
    m_scanned = std::max<qsizetype>(0, m_scanned - start);
}

void CdpConnection::handleMessage(const QByteArray& bytes)
{
    trace("<<", bytes);
    QByteArray text = bytes;
    m_bulk.clear();
    if (bytes.size() > BulkThreshold) {
        const auto [begin, end] = bulkRange(bytes);
        if (end > begin) {
            m_bulk = QByteArray::fromBase64(
                QByteArray::fromRawData(bytes.constData() + begin, end - begin));
            text = bytes.left(begin) + bytes.mid(end);
        }
    }
    const QJsonObject message = QJsonDocument::fromJson(text).object();
    if (message.contains(QStringLiteral("id"))) {
        const int id = message.value(QStringLiteral("id")).toInt();
        Reply reply = m_waiting.take(id);
        if (!reply)
            return;
        const QJsonObject error = message.value(QStringLiteral("error")).toObject();
        if (!error.isEmpty())
            reply({}, error.value(QStringLiteral("message")).toString());
        else
            reply(message.value(QStringLiteral("result")).toObject(), QString());
        m_bulk.clear();
        return;
    }
    emit event(message.value(QStringLiteral("method")).toString(),
        message.value(QStringLiteral("params")).toObject(),
        message.value(QStringLiteral("sessionId")).toString());
}

void CdpConnection::closeWithReason(const QString& reason)
{
    if (m_closed)
        return;
    m_closed = true;
    closePipes();
    const QHash<int, Reply> waiting = std::exchange(m_waiting, {});
    for (const Reply& reply : waiting)
        reply({}, reason);
    emit closed(reason);
}

void CdpConnection::closePipes()
{
    m_closed = true;
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    if (m_readFd >= 0)
        ::close(m_readFd);
    if (m_writeFd >= 0)
        ::close(m_writeFd);
    m_readFd = m_writeFd = -1;
    m_out.clear();
    m_in.clear();
    m_scanned = 0;
}
