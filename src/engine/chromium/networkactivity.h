#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QJsonObject>
#include <QString>
#include <functional>

// What a page's network is doing, from the browser's Network events: how many
// requests the page has made, which still hold the page, and for how long none has.
// The capture waits for a quiet network before it measures the page.
//
// Quiet is what a browser's own "network idle" counts as quiet: a page whose
// connection stays open by design (an EventSource, a long poll, a streamed answer,
// a beacon nobody answers) would otherwise never be captured before its bound. A
// request holds the page while it is young or its bytes keep coming; once it has
// been open StalledMs with nothing arriving it no longer does (what it brings later
// is a change like any other), but for a part of the page (a picture, a frame's
// document) whose answer has not begun: that one is still to come. Streams (EventSource, media, beacons) never hold it,
// nor does the body of a script's fetch once its answer began StalledMs ago, nor
// any body still coming StreamMs after its answer began. Web sockets make no
// requests here at all.
class NetworkActivity
{
public:
    // Milliseconds on a steady clock.
    using Clock = std::function<qint64()>;

    static constexpr int StalledMs = 500;
    static constexpr int StreamMs = 3000;

    // `clock` for tests; by default a monotonic clock.
    explicit NetworkActivity(Clock clock = {});

    // A new page: no request made, none open, quiet from now.
    void restart();
    // Forgets the open requests of a page that was dropped for a fresh one.
    void forgetOpenRequests();
    // Takes in one of the page's events; `mainFrameId` is the page's own frame.
    void onEvent(const QString& method, const QJsonObject& params, const QString& mainFrameId);

    // Milliseconds since the last request that held the page stopped holding it,
    // or -1 while one still does.
    int quietMs() const;
    int requestsStarted() const { return m_requestsStarted; }

private:
    struct Request
    {
        // When it was sent, when its answer began (-1: not yet) and when its last
        // bytes came (-1: none yet).
        qint64 sent = 0;
        qint64 answered = -1;
        qint64 lastBytes = -1;
        // A stream: it never holds the page.
        bool stream = false;
        // A script's own request (fetch, XHR): its body may be a stream.
        bool scripted = false;
    };

    void ended(const QJsonObject& params);
    // From when `request` no longer holds the page; -1 while it does at `now`.
    static qint64 releasedAt(const Request& request, qint64 now);
    qint64 now() const;

    Clock m_clock;
    QElapsedTimer m_steady;
    QHash<QString, Request> m_open;
    qint64 m_quietSince = 0;
    int m_requestsStarted = 0;
};
