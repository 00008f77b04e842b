#include "engine/protocol/cdppipetransport.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <pthread.h>
#include <unistd.h>

namespace {

// Reads in chunks this large: a full-page screenshot is tens of megabytes.
constexpr qsizetype ReadChunk = qsizetype(1) << 20;

// write() with SIGPIPE held back in this thread: a pipe whose reader went gives
// EPIPE, and the signal it raised is taken back unless one was pending already.
ssize_t writeWithoutSigpipe(int fd, const char* data, size_t size)
{
    sigset_t pipeOnly;
    sigset_t old;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &old);
    sigset_t pending;
    sigpending(&pending);
    const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
    const ssize_t n = ::write(fd, data, size);
    const int code = errno;
    if (n < 0 && code == EPIPE && !wasPending) {
        const timespec none { 0, 0 };
        sigtimedwait(&pipeOnly, nullptr, &none);
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    errno = code;
    return n;
}

} // namespace

CdpPipeTransport::CdpPipeTransport(int readFd, int writeFd, QObject* parent)
    : CdpTransport(CdpMessageReader::DefaultMaxMessageBytes, parent)
    , m_readFd(readFd)
    , m_writeFd(writeFd)
{
    m_readNotifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &CdpPipeTransport::onReadable);
    m_writeNotifier = new QSocketNotifier(m_writeFd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &CdpPipeTransport::onWritable);
}

CdpPipeTransport::~CdpPipeTransport()
{
    close();
}

void CdpPipeTransport::write(const QByteArray& message)
{
    if (!isOpen())
        return;
    m_out += message;
    m_out += '\0';
    onWritable();
}

void CdpPipeTransport::onWritable()
{
    while (m_written < m_out.size() && m_writeFd >= 0) {
        const ssize_t n = writeWithoutSigpipe(
            m_writeFd, m_out.constData() + m_written, size_t(m_out.size() - m_written));
        if (n > 0) {
            m_written += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        fail(tr("The browser closed"));
        return;
    }
    if (m_written == m_out.size()) {
        m_out.clear();
        m_written = 0;
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_out.isEmpty());
}

void CdpPipeTransport::onReadable()
{
    QPointer<CdpPipeTransport> self(this);
    for (;;) {
        m_chunk.resize(ReadChunk);
        const ssize_t n = ::read(m_readFd, m_chunk.data(), size_t(ReadChunk));
        if (n > 0) {
            deliver(m_chunk.constData(), qsizetype(n));
            if (!self || !isOpen())
                return;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // End of file: the browser is gone.
        fail(tr("The browser closed"));
        return;
    }
}

void CdpPipeTransport::fail(const QString& reason)
{
    // Reading and writing stop now; the news waits for the event loop, so that
    // whoever wrote is not told inside its own call (and may not have gone meanwhile).
    if (m_failing)
        return;
    m_failing = true;
    if (m_readNotifier)
        m_readNotifier->setEnabled(false);
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    QTimer::singleShot(0, this, [this, reason] {
        if (!isOpen())
            return;
        close();
        emit closed(reason);
    });
}

void CdpPipeTransport::close()
{
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
    m_written = 0;
    m_chunk = QByteArray();
}
