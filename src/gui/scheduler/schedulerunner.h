#pragma once

#include "core/schedule/scheduledue.h"
#include "gui/scheduler/schedulesetup.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

class QTimer;
class ScheduleListWidget;
struct ConversionResult;

// Converts the schedule's entries when they fall due, unattended: once a
// second it looks for the first due entry in list order, marks it "Done" and
// hands its address to the application's conversion queue, which writes the
// page into the output folder with the settings of that moment, after any
// batch page that is converting. While one entry converts nothing else is
// started; whatever the page does, the runner comes back to idle and goes on.
// No message is ever shown.
class ScheduleRunner : public QObject
{
    Q_OBJECT
public:
    static QString waitingStatus() { return QStringLiteral("Waiting"); }
    static QString doneStatus() { return QStringLiteral("Done"); }
    static QString failedStatus() { return QStringLiteral("Failed"); }

    ScheduleRunner(ScheduleListWidget* list, const ScheduleSetup& setup, QObject* parent = nullptr);
    ~ScheduleRunner() override;

    // Starts watching from now: only entries due after this moment are started.
    void start();
    // Stops the timer and forgets the entry being converted. One still waiting
    // in the queue is dropped from it and reads "Waiting" again.
    void stop();

    // No entry is being converted.
    bool isIdle() const { return !m_busy; }
    QTimer* timer() const { return m_timer; }
    QDateTime watchingSince() const { return m_watchingSince; }

public slots:
    // One tick: starts the first due entry, if any and if the runner is idle.
    void scan();

signals:
    void entryStarted(const QString& url);
    // ok is false when the page could not be converted; the entry then reads
    // "Failed" (unless it was removed from the list meanwhile).
    void entryFinished(const QString& url, bool ok, const QString& reason);

private:
    // The queue, asked for and connected on first use.
    ConversionService* conversions();
    void startEntry(int row);
    void onConversionFinished(int id, const ConversionResult& result);
    void finishEntry(bool ok, const QString& reason);

    ScheduleListWidget* m_list;
    ScheduleSetup m_setup;
    QTimer* m_timer;
    QPointer<ConversionService> m_conversions;
    QDateTime m_watchingSince;
    // Start time texts already read under the locale, kept from tick to tick.
    ScheduleTimeCache m_startTimes;
    bool m_running = false;
    bool m_busy = false;
    // The conversion in flight: the queue's id, the list row's id and its address.
    int m_requestId = -1;
    bool m_requestStarted = false;
    quint64 m_entryId = 0;
    QString m_entryUrl;
};
