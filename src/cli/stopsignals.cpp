#include "cli/stopsignals.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int HandledSignals[] = { SIGINT, SIGTERM };

std::atomic<int> g_writeFd { -1 };
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onStopSignal(int signalNumber)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    const int fd = g_writeFd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = saved;
}

} // namespace

StopSignals::StopSignals(QObject* parent)
    : QObject(parent)
{
}

StopSignals::~StopSignals()
{
    if (m_installed) {
        for (const int number : HandledSignals)
            std::signal(number, SIG_DFL);
    }
    g_writeFd.store(-1);
    if (m_readFd >= 0)
        ::close(m_readFd);
    if (m_writeFd >= 0)
        ::close(m_writeFd);
}

bool StopSignals::install(QString* error)
{
    int fds[2];
    // Non-blocking: a handler never waits on a full pipe.
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        *error = tr("cannot create a pipe: %1").arg(qt_error_string(errno));
        return false;
    }
    m_readFd = fds[0];
    m_writeFd = fds[1];
    g_writeFd.store(m_writeFd);
    m_notifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::onReadable);

    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    m_installed = true;
    for (const int number : HandledSignals) {
        if (::sigaction(number, &action, nullptr) != 0) {
            *error = tr("cannot handle %1: %2").arg(name(number), qt_error_string(errno));
            return false;
        }
    }
    return true;
}

QString StopSignals::name(int signalNumber)
{
    switch (signalNumber) {
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    default:
        return QStringLiteral("signal %1").arg(signalNumber);
    }
}

void StopSignals::onReadable()
{
    unsigned char bytes[16];
    const ssize_t n = ::read(m_readFd, bytes, sizeof bytes);
    for (ssize_t i = 0; i < n; ++i)
        emit received(bytes[i]);
}
