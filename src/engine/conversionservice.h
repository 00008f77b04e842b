#pragma once

#include "conversionrequest.h"
#include "conversionresult.h"

#include <QList>
#include <QObject>
#include <QPointer>

class ConversionJob;
class PageCapturer;

// The application's one conversion queue. The batch list, the browser window, the
// scheduler and the command line all submit here, so pages are converted one at a
// time and never meet at "tempimage.bmp" or an output name. Requests run in the
// order they were enqueued.
class ConversionService : public QObject
{
    Q_OBJECT
public:
    explicit ConversionService(QObject* parent = nullptr);
    ~ConversionService() override;

    // Queues the page; returns its id (1, 2, ...). started() follows when its turn
    // comes, finished() when it is done.
    int enqueue(const ConversionRequest& request);
    // A page is being converted.
    bool isBusy() const;
    // Pages waiting, not counting the one being converted.
    int pendingCount() const;
    // Drops a page that has not started yet; a page in progress runs to its end.
    void cancelPending(int id);

signals:
    void started(int id, const QString& address);
    // The browser's status for page `id`, the one in progress.
    void statusText(int id, const QString& text);
    void finished(int id, const ConversionResult& result);

private:
    struct Pending
    {
        int id;
        ConversionRequest request;
    };

    void startNext();

    QList<Pending> m_pending;
    PageCapturer* m_capturer;
    QPointer<ConversionJob> m_job;
    int m_currentId = 0;
    int m_nextId = 1;
};
