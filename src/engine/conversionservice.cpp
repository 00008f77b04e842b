#include "conversionservice.h"

#include "conversionjob.h"
#include "pagecapturer.h"

#include <QTimer>

ConversionService::ConversionService(QObject* parent)
    : QObject(parent)
    , m_capturer(new PageCapturer(this))
{
    qRegisterMetaType<ConversionResult>();
}

ConversionService::~ConversionService()
{
    delete m_job;
}

int ConversionService::enqueue(const ConversionRequest& request)
{
    const int id = m_nextId++;
    m_pending.append({ id, request });
    if (!isBusy())
        QTimer::singleShot(0, this, &ConversionService::startNext);
    return id;
}

bool ConversionService::isBusy() const
{
    return !m_job.isNull();
}

int ConversionService::pendingCount() const
{
    return int(m_pending.size());
}

void ConversionService::cancelPending(int id)
{
    m_pending.removeIf([id](const Pending& p) { return p.id == id; });
}

void ConversionService::startNext()
{
    if (isBusy() || m_pending.isEmpty())
        return;
    const Pending next = m_pending.takeFirst();
    m_currentId = next.id;
    m_job = new ConversionJob(next.request, m_capturer, this);
    connect(m_job, &ConversionJob::statusText, this,
        [this, id = next.id](const QString& text) { emit statusText(id, text); });
    connect(m_job, &ConversionJob::finished, this, [this](const ConversionResult& result) {
        const int id = m_currentId;
        m_job->deleteLater();
        m_job = nullptr;
        m_currentId = 0;
        emit finished(id, result);
        QTimer::singleShot(0, this, &ConversionService::startNext);
    });
    emit started(next.id, next.request.address);
    m_job->start();
}
