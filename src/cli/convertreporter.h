#pragma once

#include "cli/pageinput.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QTextStream;
struct ConversionResult;

// What a run prints, and where.
//   People's lines: "1/2 OK 0.84 s ADDRESS -> FILES", "2/2 FAILED 0.12 s ADDRESS:
//   REASON" and the summary, on standard output (standard error with --json,
//   where standard output carries one JSON line per page, and with -O -, where
//   it carries the page's file).
//   Quiet: of the people's lines only failures and the summary.
//   On a terminal (standard error is one, and not quiet): one progress line on
//   standard error, rewritten in place, "[2/10] 0:12, about 0:48 left  ADDRESS".
class ConvertReporter : public QObject
{
    Q_OBJECT
public:
    struct Style
    {
        bool json = false;
        // Standard output carries the page's own bytes (-O -).
        bool peopleOnError = false;
        bool quiet = false;
        bool terminal = false;
        int columns = 80;
    };

    ConvertReporter(QTextStream& out, QTextStream& err, const Style& style);

    void begin(int pageCount);
    void pageStarted(int number, const PageInput& page);
    void pageFinished(int number, const PageInput& page, const ConversionResult& result);
    // The summary, with the pages that never ended as "not converted" and, when
    // the run was stopped by a signal, its name; returns the number of failed pages.
    int end(const QString& stoppedBy = QString());

    // "0:07", "12:30", "1:02:03".
    static QString clockText(qint64 seconds);

private:
    QTextStream& people() { return m_style.json || m_style.peopleOnError ? m_err : m_out; }
    bool showsProgress() const { return m_style.terminal && !m_style.quiet; }
    void drawProgress();
    void clearProgress();

    QTextStream& m_out;
    QTextStream& m_err;
    Style m_style;
    QElapsedTimer m_elapsed;
    QTimer m_tick;
    int m_count = 0;
    int m_ended = 0;
    int m_failed = 0;
    int m_current = 0;
    QString m_currentAddress;
    bool m_progressShown = false;
};
