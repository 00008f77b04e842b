#include "gui/scheduler/schedulewindowhost.h"

#include "gui/scheduler/schedulewindow.h"

ScheduleWindowHost::ScheduleWindowHost(const ScheduleSetup& setup, QObject* parent)
    : QObject(parent)
    , m_setup(setup)
{
}

ScheduleWindowHost::~ScheduleWindowHost()
{
    unload();
    delete m_unloading;
}

void ScheduleWindowHost::load()
{
    if (m_window && !m_window->isUnloaded())
        return;
    m_window = new ScheduleWindow(m_setup);
    ScheduleWindow* window = m_window;
    connect(window, &ScheduleWindow::unloaded, this, [this, window] {
        if (m_window == window)
            m_window.clear();
        // Not from inside its own close event; the host deletes it at the latest.
        m_unloading = window;
        window->deleteLater();
    });
}

void ScheduleWindowHost::showWindow()
{
    load();
    m_window->showCentred();
}

void ScheduleWindowHost::unload()
{
    if (!m_window)
        return;
    ScheduleWindow* window = m_window;
    m_window.clear();
    window->unload();
    delete window;
}
