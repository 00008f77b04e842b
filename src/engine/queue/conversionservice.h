#pragma once

#include "engine/queue/conversionrequest.h"
#include "engine/queue/conversionresult.h"
#include "engine/setup/enginechoice.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <memory>
#include <vector>

class CaptureEngine;
class ChromiumBrowser;
class ConversionJob;
class PageCapturer;
class WriteTurns;

// The application's one conversion queue. The batch list, the browser window, the
// scheduler and the command line all submit here, so pages never meet at
// "tempimage.bmp" or an output name. Requests start in the order they were
// enqueued and their results are reported in that order.
//
// A page's files are written on a writer thread while the view already loads the
// next page; at most one captured page waits for the writer, so memory stays
// bounded. With setParallelPages(n), n pages are in flight at once, each in a view
// of its own with temporary files of its own; their files are still written one
// page after another in queue order (WriteTurns), so they are named as they would
// be one at a time.
class ConversionService : public QObject
{
    Q_OBJECT
public:
    explicit ConversionService(QObject* parent = nullptr);
    ~ConversionService() override;

    // The engine of the pages the service loads itself (requests for a view are
    // always captured in that view's Qt WebEngine). By default, the one
    // ChooseEngine() picks with no setting. Call it before the first enqueue.
    void setEngine(const EngineChoice& engine);
    const EngineChoice& engine() const { return m_engine; }
    // The shared Chromium of the Chromium engine, null for Qt WebEngine.
    ChromiumBrowser* browser() const { return m_browser.get(); }

    // Pages converted at once (1 by default), each in a view of its own. Call it
    // before the first enqueue. Every view but the first keeps its temporary files
    // in a folder "view-N" inside the request's temporary folder.
    void setParallelPages(int count);

    // Queues the page; returns its id (1, 2, ...). started() follows when its turn
    // comes, finished() when it is done.
    int enqueue(const ConversionRequest& request);
    // A page is being converted, or its result waits for an earlier page's.
    bool isBusy() const;
    // Pages waiting, not counting those being converted.
    int pendingCount() const;
    // Drops a page that has not started yet; a page in progress runs to its end.
    void cancelPending(int id);
    // Drops every waiting page and abandons the pages in progress, which leave no
    // file behind (one whose files are written already keeps them). Results
    // already in are reported now, in order, even behind a page that never ends;
    // no finished() follows for the rest.
    void abandonAll();

signals:
    void started(int id, const QString& address);
    // The browser's status for page `id`, one in progress.
    void statusText(int id, const QString& text);
    void finished(int id, const ConversionResult& result);

private:
    struct Pending
    {
        int id;
        ConversionRequest request;
    };
    struct Lane
    {
        CaptureEngine* capturer = nullptr;
        // For requests that capture a window's view; made when first needed.
        PageCapturer* viewCapturer = nullptr;
        std::unique_ptr<QThreadPool> writers;
        // The page whose capture holds the view, if any.
        QPointer<ConversionJob> capturing;
        // Pages captured whose files are not written yet.
        int writing = 0;
    };

    void makeLanes(int count);
    void startNext();
    void start(int laneIndex, const Pending& next);
    void onFinished(int laneIndex, int id, const ConversionResult& result);
    void reportInOrder();

    EngineChoice m_engine;
    std::unique_ptr<ChromiumBrowser> m_browser;
    QList<Pending> m_pending;
    std::vector<Lane> m_lanes;
    // Started pages in order, and the results that wait for an earlier one.
    QList<int> m_started;
    QHash<int, ConversionResult> m_results;
    QList<QPointer<ConversionJob>> m_jobs;
    int m_nextId = 1;
    std::shared_ptr<WriteTurns> m_turns;
    int m_nextTurn = 1;
};
