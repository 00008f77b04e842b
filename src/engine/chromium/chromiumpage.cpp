#include "engine/chromium/chromiumpage.h"

#include "core/imaging/pngdecoder.h"
#include "engine/capture/localfilerule.h"
#include "engine/chromium/chromiumbrowser.h"

#include <QFutureWatcher>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtConcurrent>

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

QJsonObject cookieParam(const FileCookie& cookie)
{
    // A domain with a leading dot is the hosts below it too; without, that host only.
    QJsonObject param { { QStringLiteral("name"), cookie.name },
        { QStringLiteral("value"), cookie.value },
        { QStringLiteral("domain"),
            cookie.includeSubdomains ? QLatin1Char('.') + cookie.domain : cookie.domain },
        { QStringLiteral("path"), cookie.path }, { QStringLiteral("secure"), cookie.secure },
        { QStringLiteral("httpOnly"), cookie.httpOnly } };
    if (cookie.expires > 0)
        param.insert(QStringLiteral("expires"), double(cookie.expires));
    return param;
}

// The expression that adopts the style sheet `css` (a <style> element where
// constructed sheets are unknown).
QString adoptStyleSheet(const QString& css)
{
    const QByteArray json = QJsonDocument(QJsonArray { css }).toJson(QJsonDocument::Compact);
    return QStringLiteral(R"JS((function (css) {
  if (typeof CSSStyleSheet === 'function' && 'adoptedStyleSheets' in document) {
    var sheet = new CSSStyleSheet();
    sheet.replaceSync(css);
    document.adoptedStyleSheets = Array.from(document.adoptedStyleSheets).concat([sheet]);
    return true;
  }
  var style = document.createElement('style');
  style.textContent = css;
  (document.head || document.documentElement).appendChild(style);
  return true;
})(%1))JS")
        .arg(QString::fromUtf8(json.mid(1, json.size() - 2)));
}

// The first line of the error a Runtime.evaluate answer reports, else empty.
QString evaluationError(const QJsonObject& result, const QString& error)
{
    if (!error.isEmpty())
        return error;
    const QJsonObject details = result.value(QStringLiteral("exceptionDetails")).toObject();
    if (details.isEmpty())
        return QString();
    const QString description = details.value(QStringLiteral("exception"))
                                    .toObject()
                                    .value(QStringLiteral("description"))
                                    .toString()
                                    .section(QLatin1Char('\n'), 0, 0);
    return description.isEmpty() ? jsonText(details, "text") : description;
}

} // namespace

ChromiumPage::ChromiumPage(ChromiumBrowser* browser, QObject* parent)
    : QObject(parent)
    , m_browser(browser)
{
}

ChromiumPage::~ChromiumPage()
{
    close();
}

void ChromiumPage::open(
    int width, int height, double scale, std::function<void(const QString& error)> then)
{
    close();
    m_connection = m_browser ? m_browser->connection() : nullptr;
    if (!m_connection || !m_connection->isRunning()) {
        then(tr("The browser is not running"));
        return;
    }
    m_events = connect(m_connection, &CdpConnection::event, this, &ChromiumPage::onEvent);
    m_authAnswered.clear();
    QPointer<ChromiumPage> self(this);
    CdpConnection* c = m_connection;
    QJsonObject context { { QStringLiteral("disposeOnDetach"), true } };
    if (!m_options.proxy.isEmpty())
        context.insert(QStringLiteral("proxyServer"), m_options.proxy);
    c->send(QStringLiteral("Target.createBrowserContext"), context, QString(),
        [self, c, width, height, scale, then](const QJsonObject& result, const QString& error) {
            if (!self) {
                // The page went before its context was made: nobody else would
                // close it, and the browser would keep it while it runs.
                const QString contextId = jsonText(result, "browserContextId");
                if (error.isEmpty() && !contextId.isEmpty())
                    c->send(QStringLiteral("Target.disposeBrowserContext"),
                        { { QStringLiteral("browserContextId"), contextId } });
                return;
            }
            if (!error.isEmpty()) {
                then(error);
                return;
            }
            self->m_contextId = jsonText(result, "browserContextId");
            const QJsonObject target { { QStringLiteral("url"), QStringLiteral("about:blank") },
                { QStringLiteral("browserContextId"), self->m_contextId },
                { QStringLiteral("width"), width }, { QStringLiteral("height"), height } };
            c->send(QStringLiteral("Target.createTarget"), target, QString(),
                [self, c, width, height, scale, then](
                    const QJsonObject& result, const QString& error) {
                    if (!self)
                        return;
                    if (!error.isEmpty()) {
                        then(error);
                        return;
                    }
                    self->m_targetId = jsonText(result, "targetId");
                    c->send(QStringLiteral("Target.attachToTarget"),
                        { { QStringLiteral("targetId"), self->m_targetId },
                            { QStringLiteral("flatten"), true } },
                        QString(),
                        [self, width, height, scale, then](
                            const QJsonObject& result, const QString& error) {
                            if (!self)
                                return;
                            if (!error.isEmpty()) {
                                then(error);
                                return;
                            }
                            self->m_sessionId = jsonText(result, "sessionId");
                            // Page and network events only flow once their domains
                            // answered: the navigation waits for every answer.
                            // Local files for the local file rule; documents at their
                            // answer, so that a frame whose load failed stays blank.
                            QJsonArray patterns {
                                QJsonObject {
                                    { QStringLiteral("urlPattern"), QStringLiteral("file://*") } },
                                QJsonObject { { QStringLiteral("urlPattern"), QStringLiteral("*") },
                                    { QStringLiteral("resourceType"), QStringLiteral("Document") },
                                    { QStringLiteral("requestStage"),
                                        QStringLiteral("Response") } },
                            };
                            // Questions for authentication come for paused requests
                            // only: with credentials, every request is paused.
                            const bool answersAuth = !self->m_options.authUser.isEmpty()
                                || !self->m_options.proxyUser.isEmpty();
                            if (answersAuth)
                                patterns.append(QJsonObject {
                                    { QStringLiteral("urlPattern"), QStringLiteral("*") } });
                            QList<std::pair<QString, QJsonObject>> setup = {
                                { QStringLiteral("Page.enable"), {} },
                                { QStringLiteral("Network.enable"), {} },
                                { QStringLiteral("Inspector.enable"), {} },
                                { QStringLiteral("Fetch.enable"),
                                    { { QStringLiteral("patterns"), patterns },
                                        { QStringLiteral("handleAuthRequests"), answersAuth } } },
                                { QStringLiteral("Emulation.setDeviceMetricsOverride"),
                                    { { QStringLiteral("width"), width },
                                        { QStringLiteral("height"), height },
                                        { QStringLiteral("deviceScaleFactor"), scale },
                                        { QStringLiteral("mobile"), false } } },
                            };
                            setup << requestSetup(self->m_options);
                            auto left = std::make_shared<int>(int(setup.size()));
                            auto failure = std::make_shared<QString>();
                            for (const auto& [method, params] : setup) {
                                self->send(method, params,
                                    [self, left, failure, then](
                                        const QJsonObject&, const QString& error) {
                                        if (!error.isEmpty() && failure->isEmpty())
                                            *failure = error;
                                        if (--*left == 0 && self)
                                            then(*failure);
                                    });
                            }
                        });
                });
        });
}

bool ChromiumPage::isOnRunningBrowser() const
{
    return m_connection && m_connection->isRunning() && m_browser
        && m_browser->connection() == m_connection;
}

QByteArray ChromiumPage::openingKey(
    const CaptureOptions& options, int width, int height, double scale)
{
    QJsonArray key { options.proxy, options.authUser.isEmpty(), options.proxyUser.isEmpty(), width,
        height, scale };
    for (const auto& [method, params] : requestSetup(options))
        key << method << params;
    return QJsonDocument(key).toJson(QJsonDocument::Compact);
}

QList<std::pair<QString, QJsonObject>> ChromiumPage::requestSetup(const CaptureOptions& options)
{
    QList<std::pair<QString, QJsonObject>> setup;
    if (!options.headers.isEmpty()) {
        // A name given twice is one header with both values, as HTTP joins them.
        QJsonObject headers;
        for (const auto& [name, value] : options.headers) {
            QString key = name;
            for (auto it = headers.begin(); it != headers.end(); ++it) {
                if (it.key().compare(name, Qt::CaseInsensitive) == 0)
                    key = it.key();
            }
            const QString before = headers.value(key).toString();
            headers.insert(key, before.isEmpty() ? value : before + QStringLiteral(", ") + value);
        }
        setup.append({ QStringLiteral("Network.setExtraHTTPHeaders"),
            { { QStringLiteral("headers"), headers } } });
    }
    if (!options.cookies.isEmpty()) {
        QJsonArray cookies;
        for (const FileCookie& cookie : options.cookies)
            cookies.append(cookieParam(cookie));
        setup.append(
            { QStringLiteral("Network.setCookies"), { { QStringLiteral("cookies"), cookies } } });
    }
    if (options.ignoreHttpsErrors)
        setup.append({ QStringLiteral("Security.setIgnoreCertificateErrors"),
            { { QStringLiteral("ignore"), true } } });
    return setup;
}

void ChromiumPage::close()
{
    if (m_events)
        disconnect(m_events);
    if (m_connection && m_connection->isRunning()) {
        if (!m_targetId.isEmpty())
            m_connection->send(QStringLiteral("Target.closeTarget"),
                { { QStringLiteral("targetId"), m_targetId } });
        if (!m_contextId.isEmpty())
            m_connection->send(QStringLiteral("Target.disposeBrowserContext"),
                { { QStringLiteral("browserContextId"), m_contextId } });
    }
    m_contextId.clear();
    m_targetId.clear();
    m_sessionId.clear();
}

void ChromiumPage::send(
    const QString& method, const QJsonObject& params, CdpConnection::Reply reply)
{
    if (!m_connection || m_sessionId.isEmpty()) {
        if (reply)
            reply({}, tr("The page is closed"));
        return;
    }
    m_connection->send(method, params, m_sessionId, std::move(reply));
}

void ChromiumPage::evaluate(const QString& expression, int contextId,
    std::function<void(const QVariant& value, const QString& error)> then)
{
    QJsonObject params { { QStringLiteral("expression"), expression },
        { QStringLiteral("returnByValue"), true }, { QStringLiteral("awaitPromise"), true } };
    if (contextId > 0)
        params.insert(QStringLiteral("contextId"), contextId);
    send(QStringLiteral("Runtime.evaluate"), params,
        [then](const QJsonObject& result, const QString& error) {
            if (!error.isEmpty() || result.contains(QStringLiteral("exceptionDetails"))) {
                then(QVariant(), error);
                return;
            }
            then(result.value(QStringLiteral("result"))
                     .toObject()
                     .value(QStringLiteral("value"))
                     .toVariant(),
                QString());
        });
}

void ChromiumPage::inject(const QString& css, const QString& script,
    std::function<void(const QString& styleError, const QString& scriptError)> then)
{
    // The page may be closed while it runs them: nothing is sent or answered then.
    QPointer<ChromiumPage> self(this);
    const auto run = [self](const QString& expression, std::function<void(const QString&)> next) {
        if (!self)
            return;
        if (expression.isEmpty()) {
            next(QString());
            return;
        }
        self->send(QStringLiteral("Runtime.evaluate"),
            { { QStringLiteral("expression"), expression },
                { QStringLiteral("awaitPromise"), true } },
            [self, next](const QJsonObject& result, const QString& error) {
                if (self)
                    next(evaluationError(result, error));
            });
    };
    run(css.isEmpty() ? QString() : adoptStyleSheet(css),
        [run, script, then](const QString& styleError) {
            run(script,
                [styleError, then](const QString& scriptError) { then(styleError, scriptError); });
        });
}

void ChromiumPage::screenshot(std::function<void(const QImage& image, const QString& error)> then)
{
    // PNG is exact; optimizeForSpeed trades its size, which nobody keeps, for time.
    send(QStringLiteral("Page.captureScreenshot"),
        { { QStringLiteral("format"), QStringLiteral("png") },
            { QStringLiteral("optimizeForSpeed"), true }, { QStringLiteral("fromSurface"), true } },
        [this, then](const QJsonObject& result, const QString& error) {
            if (!error.isEmpty()) {
                then(QImage(), error);
                return;
            }
            QByteArray png = m_connection ? m_connection->bulkData() : QByteArray();
            if (png.isEmpty())
                png = QByteArray::fromBase64(
                    result.value(QStringLiteral("data")).toString().toLatin1());
            auto* watcher = new QFutureWatcher<QImage>(this);
            connect(watcher, &QFutureWatcherBase::finished, this, [watcher, then] {
                watcher->deleteLater();
                then(watcher->result(), QString());
            });
            watcher->setFuture(QtConcurrent::run([png] { return DecodePng(png); }));
        });
}

void ChromiumPage::onEvent(
    const QString& method, const QJsonObject& params, const QString& sessionId)
{
    if (sessionId.isEmpty() || sessionId != m_sessionId) {
        // A browser-level report that this page's target went away.
        if (method == QLatin1String("Target.detachedFromTarget")
            && jsonText(params, "sessionId") == m_sessionId && !m_sessionId.isEmpty())
            emit event(QStringLiteral("Inspector.targetCrashed"), params);
        return;
    }
    if (method == QLatin1String("Page.javascriptDialogOpening")) {
        const QString type = jsonText(params, "type");
        send(QStringLiteral("Page.handleJavaScriptDialog"),
            { { QStringLiteral("accept"),
                type == QLatin1String("alert") || type == QLatin1String("beforeunload") } });
    } else if (method == QLatin1String("Fetch.requestPaused")) {
        onRequestPaused(params);
        return;
    } else if (method == QLatin1String("Fetch.authRequired")) {
        onAuthRequired(params);
        return;
    }
    emit event(method, params);
}

void ChromiumPage::onRequestPaused(const QJsonObject& params)
{
    const QJsonObject request = params.value(QStringLiteral("request")).toObject();
    const QUrl url(jsonText(request, "url"));
    const bool mainFrame = jsonText(params, "frameId") == m_targetId;
    const QString requestId = jsonText(params, "requestId");
    const bool answered = params.contains(QStringLiteral("responseStatusCode"))
        || params.contains(QStringLiteral("responseErrorReason"));
    if (answered) {
        // A frame that could not be loaded shows nothing, as the other engine's
        // frames do, instead of the browser's error page. The page's own failure
        // goes on to be reported.
        if (!mainFrame && params.contains(QStringLiteral("responseErrorReason")))
            send(QStringLiteral("Fetch.fulfillRequest"),
                { { QStringLiteral("requestId"), requestId },
                    { QStringLiteral("responseCode"), 200 },
                    { QStringLiteral("body"), QString() } });
        else
            send(QStringLiteral("Fetch.continueRequest"),
                { { QStringLiteral("requestId"), requestId } });
        return;
    }
    const LocalRequestKind kind = kindOf(jsonText(params, "resourceType"), mainFrame);
    const bool typed
        = url.adjusted(QUrl::RemoveFragment) == m_requested.adjusted(QUrl::RemoveFragment);
    const QString remark = LocalFrameRemark(kind, url, m_requested);
    if (!remark.isEmpty() && !m_localFileRemarks.contains(remark))
        m_localFileRemarks.append(remark);
    if (LocalRequestAllowed(kind, url, m_requested, typed))
        send(QStringLiteral("Fetch.continueRequest"),
            { { QStringLiteral("requestId"), requestId } });
    else
        send(QStringLiteral("Fetch.failRequest"),
            { { QStringLiteral("requestId"), requestId },
                { QStringLiteral("errorReason"), QStringLiteral("BlockedByClient") } });
}

void ChromiumPage::onAuthRequired(const QJsonObject& params)
{
    const QString requestId = jsonText(params, "requestId");
    const QJsonObject challenge = params.value(QStringLiteral("authChallenge")).toObject();
    const QUrl origin(jsonText(challenge, "origin"));
    const bool proxy = jsonText(challenge, "source") == QLatin1String("Proxy");
    const QString& user = proxy ? m_options.proxyUser : m_options.authUser;
    const QString& password = proxy ? m_options.proxyPassword : m_options.authPassword;
    // The page's password is for the site the user named, never for a host the page
    // sends the browser to or takes a part from; the proxy's for that proxy.
    const bool asker = proxy ? sameServer(origin, QUrl(m_options.proxy), false)
                             : sameServer(origin, m_requested, true);
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
    send(QStringLiteral("Fetch.continueWithAuth"),
        { { QStringLiteral("requestId"), requestId },
            { QStringLiteral("authChallengeResponse"), response } });
}
