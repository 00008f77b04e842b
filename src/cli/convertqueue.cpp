#include "cli/convertqueue.h"

#include "engine/queue/conversionservice.h"

#include <QEventLoop>

ConvertQueue::ConvertQueue(
    const ConversionRequest& request, const QList<PageInput>& pages, QObject* parent)
    : QObject(parent)
    , m_request(request)
    , m_pages(pages)
    , m_service(new ConversionService(this))
{
}

ConvertQueue::~ConvertQueue() = default;

void ConvertQueue::setEngine(const EngineChoice& engine)
{
    m_service->setEngine(engine);
}

void ConvertQueue::setParallelPages(int count)
{
    m_service->setParallelPages(count);
}

void ConvertQueue::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_service->abandonAll();
    if (m_loop)
        m_loop->quit();
}

int ConvertQueue::run()
{
    if (m_pages.isEmpty() || m_stopped)
        return 0;
    QEventLoop loop;
    m_loop = &loop;
    int ended = 0;
    int failed = 0;
    connect(m_service, &ConversionService::started, &loop, [this](int id, const QString&) {
        const int number = m_numberOfId.value(id);
        emit pageStarted(number, m_pages.at(number - 1));
    });
    connect(m_service, &ConversionService::finished, &loop,
        [&, this](int id, const ConversionResult& result) {
            const int number = m_numberOfId.value(id);
            if (!result.ok)
                ++failed;
            emit pageFinished(number, m_pages.at(number - 1), result);
            if (++ended == pageCount())
                loop.quit();
        });
    for (int i = 0; i < pageCount(); ++i) {
        ConversionRequest request = m_request;
        request.address = m_pages.at(i).address;
        m_numberOfId.insert(m_service->enqueue(request), i + 1);
    }
    loop.exec();
    m_loop = nullptr;
    disconnect(m_service, nullptr, &loop, nullptr);
    return failed;
}
