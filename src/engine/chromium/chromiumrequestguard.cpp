#include "engine/chromium/chromiumrequestguard.h"

#include "engine/capture/localfilerule.h"
#include "engine/protocol/cdpconnection.h"

#include <QJsonArray>

namespace {

QString jsonText(const QJsonObject& object, const char* key)
{
    return object.value(QLatin1String(key)).toString();
}

// The protocol's resource types in the local file rule's terms.
LocalRequestKind kindOf(const QString& resourceType, bool mainFrame)
{
    if (resourceType == QLatin1String("Document"))
        return mainFrame ? LocalRequestKind::MainFrame : LocalRequestKind::SubFrame;
    if (resourceType == QLatin1String("Stylesheet"))
        return LocalRequestKind::Stylesheet;
    if (resourceType == QLatin1String("Script"))
        return LocalRequestKind::Script;
    if (resourceType == QLatin1String("Image"))
        return LocalRequestKind::Image;
    if (resourceType == QLatin1String("Font"))
        return LocalRequestKind::Font;
    if (resourceType == QLatin1String("Media") || resourceType == QLatin1String("TextTrack"))
        return LocalRequestKind::Media;
    return LocalRequestKind::Other;
}

int portOf(const QUrl& url)
{
    return url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
}

// Whether `a` and `b` are the same host and port (and scheme, with `scheme`).
bool sameServer(const QUrl& a, const QUrl& b, bool scheme)
{
    return !a.host().isEmpty() && a.host().compare(b.host(), Qt::CaseInsensitive) == 0
        && portOf(a) == portOf(b)
        && (!scheme || a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0);
}

// Whether `url` is the page's own site, `requested`: the same scheme, host and
// port, or https on an http page's host (a site that moved to https is still the
// site the user named, and the secret travels encrypted; never the other way round).
bool ownSite(const QUrl& url, const QUrl& requested)
{
    if (sameServer(url, requested, true))
        return true;
    return requested.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) == 0
        && url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0
        && !url.host().isEmpty() && url.host().compare(requested.host(), Qt::CaseInsensitive) == 0;
}

// The request's own headers with the user's in place of any of the same name (a
// name the user gave twice is one header with both values, as HTTP joins them).
QJsonArray withHeaders(const QJsonObject& own, const QList<std::pair<QString, QString>>& added)
{
    QList<std::pair<QString, QString>> headers;
    for (auto it = own.begin(); it != own.end(); ++it)
        headers.append({ it.key(), it.value().toString() });
    QSet<QString> replaced;
    for (const auto& [name, value] : added) {
        const QString key = name.toLower();
        bool joined = false;
        for (auto& header : headers) {
            if (header.first.toLower() != key)
                continue;
            header.second
                = replaced.contains(key) ? header.second + QStringLiteral(", ") + value : value;
            joined = true;
        }
        if (!joined)
            headers.append({ name, value });
        replaced.insert(key);
    }
    QJsonArray entries;
    for (const auto& [name, value] : headers)
        entries.append(
            QJsonObject { { QStringLiteral("name"), name }, { QStringLiteral("value"), value } });
    return entries;
}

} // namespace

void ChromiumRequestGuard::onRequestPaused(CdpSession* session, const QJsonObject& params)
{
    const QJsonObject request = params.value(QStringLiteral("request")).toObject();
    const QUrl url(jsonText(request, "url"));
    const bool mainFrame = jsonText(params, "frameId") == m_mainFrame;
    const QString requestId = jsonText(params, "requestId");
    const bool answered = params.contains(QStringLiteral("responseStatusCode"))
        || params.contains(QStringLiteral("responseErrorReason"));
    if (answered) {
        // A frame that could not be loaded shows nothing, as the other engine's
        // frames do, instead of the browser's error page. The page's own failure
        // goes on to be reported.
        if (!mainFrame && params.contains(QStringLiteral("responseErrorReason")))
            session->send(QStringLiteral("Fetch.fulfillRequest"),
                { { QStringLiteral("requestId"), requestId },
                    { QStringLiteral("responseCode"), 200 },
                    { QStringLiteral("body"), QString() } });
        else
            session->send(QStringLiteral("Fetch.continueRequest"),
                { { QStringLiteral("requestId"), requestId } });
        return;
    }
    const LocalRequestKind kind = kindOf(jsonText(params, "resourceType"), mainFrame);
    const bool typed
        = url.adjusted(QUrl::RemoveFragment) == m_requested.adjusted(QUrl::RemoveFragment);
    const QString remark = LocalFrameRemark(kind, url, m_requested);
    if (!remark.isEmpty() && !m_remarks.contains(remark))
        m_remarks.append(remark);
    if (LocalRequestAllowed(kind, url, m_requested, typed)) {
        QJsonObject answer { { QStringLiteral("requestId"), requestId } };
        if (!m_options.headers.isEmpty() && !m_options.headersEverywhere
            && ownSite(url, m_requested))
            answer.insert(QStringLiteral("headers"),
                withHeaders(
                    request.value(QStringLiteral("headers")).toObject(), m_options.headers));
        session->send(QStringLiteral("Fetch.continueRequest"), answer);
    }
    // A frame kept out stays blank, as one that could not be loaded, instead of
    // showing the browser's icon of a blocked page.
    else if (kind == LocalRequestKind::SubFrame)
        session->send(QStringLiteral("Fetch.fulfillRequest"),
            { { QStringLiteral("requestId"), requestId }, { QStringLiteral("responseCode"), 200 },
                { QStringLiteral("body"), QString() } });
    else
        session->send(QStringLiteral("Fetch.failRequest"),
            { { QStringLiteral("requestId"), requestId },
                { QStringLiteral("errorReason"), QStringLiteral("BlockedByClient") } });
}

void ChromiumRequestGuard::onAuthRequired(CdpSession* session, const QJsonObject& params)
{
    const QString requestId = jsonText(params, "requestId");
    const QJsonObject challenge = params.value(QStringLiteral("authChallenge")).toObject();
    const QUrl origin(jsonText(challenge, "origin"));
    const bool proxy = jsonText(challenge, "source") == QLatin1String("Proxy");
    const QString& user = proxy ? m_options.proxyUser : m_options.authUser;
    const QString& password = proxy ? m_options.proxyPassword : m_options.authPassword;
    // The page's password is for the site the user named, never for a host the page
    // sends the browser to or takes a part from; the proxy's for that proxy.
    const bool asker
        = proxy ? sameServer(origin, QUrl(m_options.proxy), false) : ownSite(origin, m_requested);
    // A request that asks again was given the credentials and refused them. The
    // proxy's question and the site's are each answered once for the same request.
    const QString answered
        = (proxy ? QStringLiteral("proxy ") : QStringLiteral("site ")) + requestId;
    const bool provide = asker && !user.isEmpty() && !m_authAnswered.contains(answered);
    QJsonObject response { { QStringLiteral("response"),
        provide ? QStringLiteral("ProvideCredentials") : QStringLiteral("CancelAuth") } };
    if (provide) {
        m_authAnswered.insert(answered);
        response.insert(QStringLiteral("username"), user);
        response.insert(QStringLiteral("password"), password);
    }
    session->send(QStringLiteral("Fetch.continueWithAuth"),
        { { QStringLiteral("requestId"), requestId },
            { QStringLiteral("authChallengeResponse"), response } });
}
