#include "cli/standardinputreader.h"

#include <QEventLoop>
#include <QIODevice>
#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qsizetype ChunkBytes = 64 * 1024;

} // namespace

QString StandardInputReader::tooLarge(const QString& name)
{
    return tr("%1 holds more than %2 MiB, the most a list may hold")
        .arg(name)
        .arg(MaxListBytes / (1024 * 1024));
}

bool StandardInputReader::withinLimits(
    qsizetype lines, qsizetype lineBytes, const QString& name, QString* error)
{
    if (lines > MaxListLines) {
        *error = tr("%1 holds more than %2 lines, the most a list may hold")
                     .arg(name)
                     .arg(MaxListLines);
        return false;
    }
    if (lineBytes > MaxLineBytes) {
        *error = tr("%1 line %2 is longer than %3 bytes, the longest a list's line may be")
                     .arg(name)
                     .arg(lines + 1)
                     .arg(MaxLineBytes);
        return false;
    }
    return true;
}

bool StandardInputReader::take(const char* data, qsizetype size, QString* error)
{
    for (qsizetype i = 0; i < size; ++i) {
        const char c = data[i];
        // CR LF ends one line, as CR and LF alone do.
        if (c == '\r' || (c == '\n' && !m_afterCr))
            ++m_lines;
        if (c == '\r' || c == '\n')
            m_lineBytes = 0;
        else
            ++m_lineBytes;
        m_afterCr = c == '\r';
    }
    if (!withinLimits(m_lines, m_lineBytes, tr("standard input"), error))
        return false;
    if (m_bytes.size() + size > MaxListBytes) {
        *error = tooLarge(tr("standard input"));
        return false;
    }
    m_bytes.append(data, size);
    return true;
}

StandardInputReader::Outcome StandardInputReader::read(int fd, QByteArray* bytes, QString* error)
{
    if (m_stopped)
        return Outcome::Stopped;
    if (fd < 0 || ::fcntl(fd, F_GETFD) < 0)
        return Outcome::Ended;
    QEventLoop loop;
    m_loop = &loop;
    Outcome outcome = Outcome::Ended;
    QSocketNotifier notifier(fd, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
        char buffer[ChunkBytes];
        // The descriptor has something: one read does not wait.
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (n < 0) {
            *error = tr("cannot read standard input: %1").arg(qt_error_string(errno));
            outcome = Outcome::Refused;
        } else if (n > 0 && take(buffer, n, error)) {
            return;
        } else if (n > 0) {
            outcome = Outcome::Refused;
        }
        notifier.setEnabled(false);
        loop.quit();
    });
    loop.exec();
    m_loop = nullptr;
    if (m_stopped)
        return Outcome::Stopped;
    if (outcome == Outcome::Ended)
        *bytes = m_bytes;
    m_bytes.clear();
    return outcome;
}

StandardInputReader::Outcome StandardInputReader::read(
    QIODevice* device, QByteArray* bytes, QString* error)
{
    if (m_stopped)
        return Outcome::Stopped;
    while (device && !device->atEnd()) {
        const QByteArray chunk = device->read(ChunkBytes);
        if (chunk.isEmpty())
            break;
        if (!take(chunk.constData(), chunk.size(), error))
            return Outcome::Refused;
    }
    *bytes = m_bytes;
    m_bytes.clear();
    return Outcome::Ended;
}

void StandardInputReader::stop()
{
    m_stopped = true;
    if (m_loop)
        m_loop->quit();
}
