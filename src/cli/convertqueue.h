#pragma once

#include "cli/pageinput.h"
#include "engine/queue/conversionrequest.h"
#include "engine/queue/conversionresult.h"
#include "engine/setup/enginechoice.h"

#include <QHash>
#include <QList>
#include <QObject>

class ConversionService;
class QEventLoop;

// Hands a run's pages to the conversion service, one request each (the same
// request but for its address), and waits in an event loop until every page
// has ended. Pages are numbered from 1 in the order given.
class ConvertQueue : public QObject
{
    Q_OBJECT
public:
    ConvertQueue(
        const ConversionRequest& request, const QList<PageInput>& pages, QObject* parent = nullptr);
    ~ConvertQueue() override;

    int pageCount() const { return int(m_pages.size()); }
    // The engine of the run; call before run().
    void setEngine(const EngineChoice& engine);
    // Pages converted at once; call before run().
    void setParallelPages(int count);
    // Returns when the last page has ended, or at once after stop(); the number
    // of pages that failed.
    int run();
    // Abandons the pages in progress (they leave no file behind) and drops the
    // rest; run() returns with what had ended. Pages finished so far are
    // reported, also one that waited for an earlier page's turn.
    void stop();

signals:
    void pageStarted(int number, const PageInput& page);
    void pageFinished(int number, const PageInput& page, const ConversionResult& result);

private:
    ConversionRequest m_request;
    QList<PageInput> m_pages;
    ConversionService* m_service;
    QHash<int, int> m_numberOfId;
    QEventLoop* m_loop = nullptr;
    bool m_stopped = false;
};
