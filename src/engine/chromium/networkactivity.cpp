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

void NetworkActivity::restart()
{
    m_open.clear();
    m_requestsStarted = 0;
    m_quietSince.start();
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
        m_open.insert(requestId(params));
        ++m_requestsStarted;
    } else if (method == QLatin1String("Network.loadingFinished")
        || method == QLatin1String("Network.loadingFailed")) {
        ended(params);
    } else if (method == QLatin1String("Network.responseReceived")) {
        // A frame's document is handed to the frame's own process once it answers;
        // its end is not reported to this page.
        if (params.value(QStringLiteral("type")).toString() == QLatin1String("Document")
            && params.value(QStringLiteral("frameId")).toString() != mainFrameId)
            ended(params);
    }
}

void NetworkActivity::ended(const QJsonObject& params)
{
    if (m_open.remove(requestId(params)))
        m_quietSince.start();
}

int NetworkActivity::quietMs() const
{
    if (!m_open.isEmpty())
        return -1;
    return int(std::min<qint64>(m_quietSince.elapsed(), INT_MAX));
}
