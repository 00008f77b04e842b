#pragma once

#include "conversionrequest.h"
#include "conversionresult.h"
#include "pageinput.h"

#include <QHash>
#include <QList>
#include <QObject>

class ConversionService;

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
    // Pages converted at once; call before run().
    void setParallelPages(int count);
    // Returns when the last page has ended; the number of pages that failed.
    int run();

signals:
    void pageStarted(int number, const PageInput& page);
    void pageFinished(int number, const PageInput& page, const ConversionResult& result);

private:
    ConversionRequest m_request;
    QList<PageInput> m_pages;
    ConversionService* m_service;
    QHash<int, int> m_numberOfId;
};
