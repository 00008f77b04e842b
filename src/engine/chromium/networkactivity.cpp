#include "engine/chromium/networkactivity.h"

#include <algorithm>
#include <climits>

namespace {

QString requestId(const QJsonObject& params)
{
    return params.value(QStringLiteral("requestId")).toString();
}

// The browser asks for the tab's icon on its own once the page has loaded:
// nothing the page shows waits for it, so neither does the capture.
bool isBrowsersOwnRequest(const QJsonObject& params)
{
    return params.value(QStringLiteral("type")).toString() == QLatin1String("Other")
        && params.value(QStringLiteral("initiator"))
               .toObject()
               .value(QStringLiteral("type"))
               .toString()
        == QLatin1String("other");
}

} // namespace

NetworkActivity::NetworkActivity(Clock clock)
    : m_clock(std::move(clock))
{
    m_steady.start();
}

qint64 NetworkActivity::now() const
{
    return m_clock ? m_clock() : m_steady.elapsed();
}

void NetworkActivity::restart()
{
    m_open.clear();
    m_requestsStarted = 0;
    m_quietSince = now();
}

void NetworkActivity::forgetOpenRequests()
{
    m_open.clear();
}

void NetworkActivity::onEvent(
    const QString& method, const QJsonObject& params, const QString& mainFrameId)
{
    if (method == QLatin1String("Network.requestWillBeSent")) {
        if (isBrowsersOwnRequest(params))
            return;
        const QString type = params.value(QStringLiteral("type")).toString();
        Request request;
        request.sent = now();
        request.stream = type == QLatin1String("EventSource") || type == QLatin1String("Media")
            || type == QLatin1String("Ping") || type == QLatin1String("WebSocket");
        request.scripted = type == QLatin1String("Fetch") || type == QLatin1String("XHR");
        // A redirect is sent again under the same id: it starts over.
        m_open.insert(requestId(params), request);
        ++m_requestsStarted;
    } else if (method == QLatin1String("Network.dataReceived")) {
        const auto it = m_open.find(requestId(params));
        if (it != m_open.end())
            it->lastBytes = now();
    } else if (method == QLatin1String("Network.loadingFinished")
        || method == QLatin1String("Network.loadingFailed")) {
        ended(params);
    } else if (method == QLatin1String("Network.responseReceived")) {
        // A frame's document is handed to the frame's own process once it answers;
        // its end is not reported to this page.
        if (params.value(QStringLiteral("type")).toString() == QLatin1String("Document")
            && params.value(QStringLiteral("frameId")).toString() != mainFrameId) {
            ended(params);
            return;
        }
        const auto it = m_open.find(requestId(params));
        if (it != m_open.end() && it->answered < 0)
            it->answered = now();
    }
}

void NetworkActivity::ended(const QJsonObject& params)
{
    const auto it = m_open.find(requestId(params));
    if (it == m_open.end())
        return;
    const qint64 t = now();
    // A request that no longer held the page ends without news: the page was quiet
    // since it stopped holding it.
    const qint64 released = releasedAt(*it, t);
    m_quietSince = std::max(m_quietSince, released < 0 ? t : released);
    m_open.erase(it);
}

qint64 NetworkActivity::releasedAt(const Request& request, qint64 now)
{
    if (request.stream)
        return request.sent;
    const qint64 lastNews = std::max({ request.sent, request.answered, request.lastBytes });
    // A script's request that gets no answer is a long poll; a picture, a frame or
    // a style sheet that is late is still to come (a frame from another site whose
    // picture the server sends late is what the page shows): it holds the page
    // until it is answered, within the page's bound.
    if (now - lastNews >= StalledMs && (request.scripted || request.answered >= 0))
        return lastNews + StalledMs;
    // A script reads its answer as it comes: a body still coming after StalledMs is
    // a stream, whatever its pace. Any other body still coming after StreamMs is one
    // too (a camera's endless picture); the pictures the page shows are waited for
    // by themselves before the capture.
    const qint64 streamAfter = request.scripted ? StalledMs : StreamMs;
    if (request.answered >= 0 && now - request.answered >= streamAfter)
        return request.answered + streamAfter;
    return -1;
}

int NetworkActivity::quietMs() const
{
    const qint64 t = now();
    qint64 since = m_quietSince;
    for (const Request& request : m_open) {
        const qint64 released = releasedAt(request, t);
        if (released < 0)
            return -1;
        since = std::max(since, released);
    }
    return int(std::clamp<qint64>(t - since, 0, INT_MAX));
}
