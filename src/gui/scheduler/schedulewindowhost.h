#pragma once

#include "gui/scheduler/schedulesetup.h"
#include "gui/scheduler/schedulewindow.h"

#include <QObject>
#include <QPointer>

// Keeps the schedule window loaded for the application: loads it at start-up,
// brings it back on the "Schedule" command (loading it afresh after its close
// box unloaded it) and unloads it, saving the list, when the application goes.
class ScheduleWindowHost : public QObject
{
    Q_OBJECT
public:
    explicit ScheduleWindowHost(const ScheduleSetup& setup, QObject* parent = nullptr);
    ~ScheduleWindowHost() override;

    // Loaded and parked: hidden, with its runner ticking. Nothing happens when
    // the window is loaded already.
    void load();
    // The "Schedule" command.
    void showWindow();
    void unload();

    // Null while unloaded.
    ScheduleWindow* window() const { return m_window; }

private:
    ScheduleSetup m_setup;
    QPointer<ScheduleWindow> m_window;
    // Closed with its close box, waiting to be deleted.
    QPointer<ScheduleWindow> m_unloading;
};
