#include "gui/scheduler/schedulerunner.h"

#include "core/app/appfolders.h"
#include "engine/queue/conversionrequest.h"
#include "engine/queue/conversionresult.h"
#include "engine/queue/conversionservice.h"
#include "gui/scheduler/schedulelistwidget.h"

#include <QTimer>
#include <chrono>

ScheduleRunner::ScheduleRunner(
    ScheduleListWidget* list, const ScheduleSetup& setup, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_setup(setup)
    , m_timer(new QTimer(this))
{
    m_timer->setObjectName(QStringLiteral("Timer1"));
    // Start times are to the second.
    m_timer->setInterval(std::chrono::seconds(1));
    connect(m_timer, &QTimer::timeout, this, &ScheduleRunner::scan);
}

ScheduleRunner::~ScheduleRunner() = default;

ConversionService* ScheduleRunner::conversions()
{
    if (m_conversions || !m_setup.conversions)
        return m_conversions;
    m_conversions = m_setup.conversions();
    if (!m_conversions)
        return nullptr;
    connect(
        m_conversions, &ConversionService::finished, this, &ScheduleRunner::onConversionFinished);
    // From here on the page is being converted: closing the window no longer
    // withdraws it, and its entry keeps reading "Done".
    connect(m_conversions, &ConversionService::started, this, [this](int id, const QString&) {
        if (m_busy && id == m_requestId)
            m_requestStarted = true;
    });
    // Should the queue go first, nothing would ever report the page.
    connect(m_conversions, &QObject::destroyed, this, [this] {
        if (m_busy)
            finishEntry(false, QStringLiteral("The conversion queue was closed"));
    });
    return m_conversions;
}

void ScheduleRunner::start()
{
    m_watchingSince = m_setup.now();
    m_running = true;
    if (!m_busy)
        m_timer->start();
}

void ScheduleRunner::stop()
{
    m_running = false;
    m_timer->stop();
    // A page still waiting behind another is not converted any more, and its
    // entry says so again; one in progress runs to its end.
    if (m_busy && m_conversions && m_requestId > 0 && !m_requestStarted) {
        m_conversions->cancelPending(m_requestId);
        const int row = m_list ? m_list->rowOf(m_entryId) : -1;
        if (row >= 0)
            m_list->setStatus(row, waitingStatus());
    }
    m_busy = false;
    m_requestStarted = false;
    m_requestId = -1;
    m_entryId = 0;
}

void ScheduleRunner::scan()
{
    if (!m_running || m_busy || !m_list || m_list->rowCount() == 0)
        return;
    const int due = FirstDueScheduleEntry(
        m_list->entries(), m_watchingSince, m_setup.now(), m_setup.locale, &m_startTimes);
    if (due >= 0)
        startEntry(due);
}

void ScheduleRunner::startEntry(int row)
{
    const ScheduleEntry entry = m_list->entry(row);
    m_entryId = m_list->idAt(row);
    m_entryUrl = entry.Url;
    m_busy = true;
    m_timer->stop();
    // Marked at once, so that the entry is never started a second time.
    m_list->setStatus(row, doneStatus());
    emit entryStarted(entry.Url);

    if (entry.Url.trimmed().isEmpty()) {
        finishEntry(false, QStringLiteral("No address"));
        return;
    }
    ConversionService* queue = conversions();
    if (!queue) {
        finishEntry(false, QStringLiteral("No conversion queue"));
        return;
    }

    ConversionRequest request;
    request.address = entry.Url;
    const AppFolders folders(m_setup.applicationFolder);
    request.applicationFolder = folders.defaultOutputFolder();
    request.tempFolder = folders.tempFolder();
    request.settingsFile = folders.settingsFile();
    request.clock = m_setup.clock;

    // The queue answers from the event loop, never inside enqueue().
    m_requestStarted = false;
    m_requestId = queue->enqueue(request);
}

void ScheduleRunner::onConversionFinished(int id, const ConversionResult& result)
{
    if (!m_busy || id != m_requestId)
        return;
    finishEntry(result.ok, result.reason);
}

void ScheduleRunner::finishEntry(bool ok, const QString& reason)
{
    // The list may have been edited while the page loaded: the entry is found
    // by its id, and when it is gone there is nothing to mark.
    const int row = m_list ? m_list->rowOf(m_entryId) : -1;
    if (!ok && row >= 0)
        m_list->setStatus(row, failedStatus());
    const QString url = m_entryUrl;
    m_busy = false;
    m_requestStarted = false;
    m_requestId = -1;
    m_entryId = 0;
    m_entryUrl.clear();
    if (m_running)
        m_timer->start();
    emit entryFinished(url, ok, reason);
}
