#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QPointer>

class QEventLoop;
class QIODevice;

// Reads what "-" names: standard input, up to its end, as bytes for the list
// reader. The input is bounded as a list is (MaxListLines lines, none longer
// than MaxLineBytes, MaxListBytes in all), so that an endless source such as /dev/zero is refused
// after a moment instead of filling the memory. A descriptor is read only when
// it has something (the event loop waits for it), so a signal that stops the
// run (stop()) ends a read that waits on an idle pipe at once.
class StandardInputReader
{
    Q_DECLARE_TR_FUNCTIONS(StandardInputReader)

public:
    static constexpr qsizetype MaxListLines = 1000000;
    static constexpr qsizetype MaxLineBytes = 1024 * 1024;
    // All lines together: a list of long lines is still a list the memory holds.
    static constexpr qsizetype MaxListBytes = 256 * 1024 * 1024;

    enum class Outcome { Ended, Stopped, Refused };

    // Reads the descriptor `fd` to its end in an event loop; a closed
    // descriptor reads as empty.
    Outcome read(int fd, QByteArray* bytes, QString* error);
    // Reads the device to its end (a buffer in the tests).
    Outcome read(QIODevice* device, QByteArray* bytes, QString* error);
    // Ends a read() under way with Outcome::Stopped; the bytes read are dropped.
    void stop();

    // False, with the reason, when `lines` line ends or a line of `lineBytes` is
    // more than a list may hold; `name` names the input in the message.
    static bool withinLimits(
        qsizetype lines, qsizetype lineBytes, const QString& name, QString* error);

    // "NAME holds more than 256 MiB, ...".
    static QString tooLarge(const QString& name);

private:
    // Appends a chunk, counting its lines; false with the reason at a limit.
    bool take(const char* data, qsizetype size, QString* error);

    QByteArray m_bytes;
    qsizetype m_lines = 0;
    qsizetype m_lineBytes = 0;
    bool m_afterCr = false;
    bool m_stopped = false;
    QPointer<QEventLoop> m_loop;
};
