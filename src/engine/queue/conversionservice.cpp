#include "engine/queue/conversionservice.h"

#include "engine/chromium/chromiumbrowser.h"
#include "engine/chromium/chromiumcapturer.h"
#include "engine/output/writeturns.h"
#include "engine/qtwebengine/pagecapturer.h"
#include "engine/queue/conversionjob.h"

#include <QDir>
#include <QTimer>
#include <algorithm>
#include <utility>

ConversionService::ConversionService(QObject* parent)
    : QObject(parent)
    , m_turns(std::make_shared<WriteTurns>())
{
    qRegisterMetaType<ConversionResult>();
    QString error;
    EngineChoice engine;
    ChooseEngine(QString(), QString(), &engine, &error);
    setEngine(engine);
}

void ConversionService::setEngine(const EngineChoice& engine)
{
    if (!m_started.isEmpty())
        return;
    m_engine = engine;
    const int lanes = std::max<int>(1, int(m_lanes.size()));
    for (Lane& lane : m_lanes) {
        delete lane.capturer;
        delete lane.viewCapturer;
    }
    m_lanes.clear();
    m_browser.reset();
    if (m_engine.kind == EngineKind::Chromium)
        m_browser = std::make_unique<ChromiumBrowser>(m_engine.chromiumPath);
    makeLanes(lanes);
}

ConversionService::~ConversionService()
{
    for (const QPointer<ConversionJob>& job : std::as_const(m_jobs))
        delete job;
    // The capturers' pages go before the browser that shows them.
    for (Lane& lane : m_lanes) {
        delete lane.capturer;
        delete lane.viewCapturer;
    }
    m_lanes.clear();
}

void ConversionService::setParallelPages(int count)
{
    if (!m_started.isEmpty())
        return;
    for (Lane& lane : m_lanes) {
        delete lane.capturer;
        delete lane.viewCapturer;
    }
    m_lanes.clear();
    makeLanes(std::clamp(count, 1, 64));
}

void ConversionService::makeLanes(int count)
{
    m_lanes.resize(size_t(count));
    for (Lane& lane : m_lanes) {
        if (m_browser)
            lane.capturer = new ChromiumCapturer(m_browser.get(), this);
        else
            lane.capturer = new PageCapturer(this);
        lane.writers = std::make_unique<QThreadPool>();
        // One writer a view: its pages share the temporary files and take turns.
        lane.writers->setMaxThreadCount(1);
    }
}

int ConversionService::enqueue(const ConversionRequest& request)
{
    const int id = m_nextId++;
    m_pending.append({ id, request });
    QTimer::singleShot(0, this, &ConversionService::startNext);
    return id;
}

bool ConversionService::isBusy() const
{
    return !m_started.isEmpty();
}

int ConversionService::pendingCount() const
{
    return int(m_pending.size());
}

void ConversionService::cancelPending(int id)
{
    m_pending.removeIf([id](const Pending& p) { return p.id == id; });
}

void ConversionService::abandonAll()
{
    m_pending.clear();
    // The pages abandoned end their turns in a queue of their own; later pages start
    // a new one.
    m_turns = std::make_shared<WriteTurns>();
    m_nextTurn = 1;
    // A page written whole before it heard is reported as such.
    for (const QPointer<ConversionJob>& job : QList(m_jobs)) {
        if (job)
            job->abandon();
    }
    QList<int> done = m_results.keys();
    std::sort(done.begin(), done.end());
    m_started.clear();
    for (const int id : std::as_const(done))
        emit finished(id, m_results.take(id));
    // Each job's writer takes back the page's files on its own thread.
    const QList<QPointer<ConversionJob>> jobs = std::exchange(m_jobs, {});
    for (const QPointer<ConversionJob>& job : jobs)
        delete job;
    for (Lane& lane : m_lanes)
        lane.writing = 0;
}

void ConversionService::startNext()
{
    for (size_t i = 0; i < m_lanes.size() && !m_pending.isEmpty(); ++i) {
        Lane& lane = m_lanes[i];
        // A free view, and no more than one captured page already waiting behind
        // the one being written.
        if (lane.capturing || lane.writing > 1)
            continue;
        start(int(i), m_pending.takeFirst());
    }
}

void ConversionService::start(int laneIndex, const Pending& next)
{
    Lane& lane = m_lanes[size_t(laneIndex)];
    ConversionRequest request = next.request;
    if (laneIndex > 0 && !request.tempFolder.isEmpty()) {
        const QString folder
            = QDir(request.tempFolder).filePath(QStringLiteral("view-%1").arg(laneIndex + 1));
        QDir().mkpath(folder);
        request.tempFolder = folder;
    }
    CaptureEngine* capturer = lane.capturer;
    if (request.convertsView || request.view) {
        if (!lane.viewCapturer)
            lane.viewCapturer = new PageCapturer(this);
        capturer = lane.viewCapturer;
    }
    auto* job = new ConversionJob(request, capturer, lane.writers.get(), this);
    job->setWriteTurn(m_turns, m_nextTurn++);
    lane.capturing = job;
    m_jobs.append(job);
    m_started.append(next.id);
    const int id = next.id;
    connect(job, &ConversionJob::statusText, this,
        [this, id](const QString& text) { emit statusText(id, text); });
    connect(job, &ConversionJob::captureReleased, this, [this, laneIndex, job] {
        Lane& lane = m_lanes[size_t(laneIndex)];
        if (lane.capturing == job) {
            lane.capturing = nullptr;
            ++lane.writing;
        }
        QTimer::singleShot(0, this, &ConversionService::startNext);
    });
    connect(job, &ConversionJob::finished, this,
        [this, laneIndex, id, job](const ConversionResult& result) {
            Lane& lane = m_lanes[size_t(laneIndex)];
            if (lane.capturing == job)
                lane.capturing = nullptr;
            else
                --lane.writing;
            m_jobs.removeAll(job);
            job->deleteLater();
            onFinished(laneIndex, id, result);
        });
    emit started(id, next.request.address);
    job->start();
}

void ConversionService::onFinished(int, int id, const ConversionResult& result)
{
    m_results.insert(id, result);
    reportInOrder();
    QTimer::singleShot(0, this, &ConversionService::startNext);
}

void ConversionService::reportInOrder()
{
    while (!m_started.isEmpty() && m_results.contains(m_started.first())) {
        const int id = m_started.takeFirst();
        emit finished(id, m_results.take(id));
    }
}
