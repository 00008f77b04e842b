#include "cli/convertreporter.h"

#include "cli/pagejson.h"
#include "cli/terminaltext.h"
#include "engine/queue/conversionresult.h"

#include <QTextStream>
#include <chrono>

namespace {

QString seconds(double value)
{
    return QString::number(value, 'f', 2) + QStringLiteral(" s");
}

} // namespace

ConvertReporter::ConvertReporter(QTextStream& out, QTextStream& err, const Style& style)
    : m_out(out)
    , m_err(err)
    , m_style(style)
{
    // The elapsed time moves on while a long page loads.
    m_tick.setInterval(std::chrono::seconds(1));
    connect(&m_tick, &QTimer::timeout, this, &ConvertReporter::drawProgress);
}

QString ConvertReporter::clockText(qint64 seconds)
{
    const qint64 h = seconds / 3600;
    const qint64 m = seconds / 60 % 60;
    const qint64 s = seconds % 60;
    const auto two = [](qint64 v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return h > 0 ? QStringLiteral("%1:%2:%3").arg(h).arg(two(m), two(s))
                 : QStringLiteral("%1:%2").arg(m).arg(two(s));
}

void ConvertReporter::begin(int pageCount)
{
    m_count = pageCount;
    m_elapsed.start();
    if (showsProgress())
        m_tick.start();
}

void ConvertReporter::pageStarted(int number, const PageInput& page)
{
    m_current = number;
    m_currentAddress = TerminalText(page.address);
    if (showsProgress())
        drawProgress();
}

void ConvertReporter::pageFinished(
    int number, const PageInput& page, const ConversionResult& result)
{
    ++m_ended;
    if (!result.ok)
        ++m_failed;
    clearProgress();
    if (m_style.json) {
        m_out << PageJsonLine(page, result) << '\n';
        m_out.flush();
    }
    if (result.ok && !m_style.quiet) {
        people() << number << '/' << m_count << " OK " << seconds(result.seconds) << ' '
                 << TerminalText(page.address) << " -> "
                 << TerminalText(result.filesWritten.join(QStringLiteral(", ")));
        if (!result.reason.isEmpty())
            people() << " (" << TerminalText(result.reason) << ')';
        people() << '\n';
    } else if (!result.ok) {
        people() << number << '/' << m_count << " FAILED " << seconds(result.seconds) << ' '
                 << TerminalText(page.address) << ": " << TerminalText(result.reason) << '\n';
        if (!result.encoderMessage.isEmpty())
            m_err << TerminalText(result.encoderMessage) << '\n';
    }
    people().flush();
    m_err.flush();
    if (showsProgress() && m_ended < m_count)
        drawProgress();
}

int ConvertReporter::end(const QString& stoppedBy)
{
    m_tick.stop();
    clearProgress();
    people() << m_count << (m_count == 1 ? " page: " : " pages: ") << m_ended - m_failed
             << " written, " << m_failed << " failed, ";
    if (m_ended < m_count)
        people() << m_count - m_ended << " not converted, ";
    people() << seconds(m_elapsed.elapsed() / 1000.0) << '\n';
    if (!stoppedBy.isEmpty())
        people() << "Stopped by " << stoppedBy << '\n';
    people().flush();
    return m_failed;
}

void ConvertReporter::drawProgress()
{
    if (!showsProgress() || m_current == 0)
        return;
    const qint64 elapsed = m_elapsed.elapsed() / 1000;
    QString line = QStringLiteral("[%1/%2] %3").arg(m_current).arg(m_count).arg(clockText(elapsed));
    // The pages done so far give the pace of the rest.
    if (m_ended > 0) {
        const qint64 left
            = qint64(double(m_elapsed.elapsed()) / m_ended * (m_count - m_ended) / 1000);
        line += QStringLiteral(", about %1 left").arg(clockText(left));
    }
    line += QStringLiteral("  ") + m_currentAddress;
    // A line longer than the terminal would wrap, and "\r" only returns to the last row.
    const int width = qMax(20, m_style.columns - 1);
    if (line.size() > width)
        line = line.left(width - 3) + QStringLiteral("...");
    m_err << "\r\x1b[K" << line;
    m_err.flush();
    m_progressShown = true;
}

void ConvertReporter::clearProgress()
{
    if (!m_progressShown)
        return;
    m_err << "\r\x1b[K";
    m_err.flush();
    m_progressShown = false;
}
