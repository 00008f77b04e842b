#pragma once

#include <QElapsedTimer>
#include <QJsonObject>
#include <QSet>
#include <QString>

// What a page's network is doing, from the browser's Network events: how many
// requests the page has made, which are still open, and for how long none has
// been. The capture waits for a quiet network before it measures the page.
class NetworkActivity
{
public:
    // A new page: no request made, none open, quiet from now.
    void restart();
    // Forgets the open requests of a page that was dropped for a fresh one.
    void forgetOpenRequests();
    // Takes in one of the page's events; `mainFrameId` is the page's own frame.
    void onEvent(const QString& method, const QJsonObject& params, const QString& mainFrameId);

    // Milliseconds since the last request ended, or -1 while one is open.
    int quietMs() const;
    int requestsStarted() const { return m_requestsStarted; }

private:
    void ended(const QJsonObject& params);

    QSet<QString> m_open;
    QElapsedTimer m_quietSince;
    int m_requestsStarted = 0;
};
