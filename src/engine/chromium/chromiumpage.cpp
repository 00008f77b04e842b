#include "engine/chromium/chromiumpage.h"

#include "core/imaging/pngdecoder.h"
#include "engine/chromium/chromiumbrowser.h"

#include <QFutureWatcher>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtConcurrent>

namespace {

// Frames from other sites run in targets of their own: each is attached paused,
// so that it is set up before its first request.
const QJsonObject AutoAttach { { QStringLiteral("autoAttach"), true },
    { QStringLiteral("waitForDebuggerOnStart"), true }, { QStringLiteral("flatten"), true } };

// The page's commands whose settings hold for its frames too.
bool sharedWithFrames(const QString& method)
{
    return method == QLatin1String("Network.setUserAgentOverride")
        || method == QLatin1String("Emulation.setEmulatedMedia");
}

QString jsonText(const QJsonObject& object, const char* key)
{
    return object.value(QLatin1String(key)).toString();
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
    m_guard.clear();
    m_shared.clear();
    QPointer<ChromiumPage> self(this);
    CdpConnection* c = m_connection;
    QJsonObject context { { QStringLiteral("disposeOnDetach"), true } };
    if (!m_options.proxy.isEmpty())
        context.insert(QStringLiteral("proxyServer"), m_options.proxy);
    // These answers run whether the page lives or not: a context or target made for
    // a page that went meanwhile is closed, as nobody else would.
    c->send(QStringLiteral("Target.createBrowserContext"), context, QString(),
        [self, c, width, height, scale, then](const QJsonObject& result, const QString& error) {
            const QString contextId = jsonText(result, "browserContextId");
            if (!self) {
                if (error.isEmpty() && !contextId.isEmpty())
                    c->send(QStringLiteral("Target.disposeBrowserContext"),
                        { { QStringLiteral("browserContextId"), contextId } });
                return;
            }
            if (!error.isEmpty()) {
                then(error);
                return;
            }
            self->m_contextId = contextId;
            const QJsonObject target { { QStringLiteral("url"), QStringLiteral("about:blank") },
                { QStringLiteral("browserContextId"), contextId },
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
                            self->attached(jsonText(result, "sessionId"));
                            self->setUp(width, height, scale, then);
                        });
                });
        });
}

void ChromiumPage::attached(const QString& sessionId)
{
    m_sessionId = sessionId;
    m_session = m_connection ? m_connection->session(sessionId) : nullptr;
    if (!m_session)
        return;
    if (m_commandTimeoutMs > 0)
        m_session->setCommandTimeout(m_commandTimeoutMs);
    connect(m_session, &CdpSession::event, this, &ChromiumPage::onEvent);
    connect(m_session, &CdpSession::detached, this, &ChromiumPage::onDetached);
}

void ChromiumPage::setUp(
    int width, int height, double scale, const std::function<void(const QString&)>& then)
{
    // Page and network events only flow once their domains answered: the
    // navigation waits for every answer.
    QList<std::pair<QString, QJsonObject>> setup = {
        { QStringLiteral("Page.enable"), {} },
        { QStringLiteral("Network.enable"), {} },
        { QStringLiteral("Inspector.enable"), {} },
        { QStringLiteral("Fetch.enable"), fetchSetup() },
        { QStringLiteral("Emulation.setDeviceMetricsOverride"),
            { { QStringLiteral("width"), width }, { QStringLiteral("height"), height },
                { QStringLiteral("deviceScaleFactor"), scale },
                { QStringLiteral("mobile"), false } } },
        { QStringLiteral("Target.setAutoAttach"), AutoAttach },
    };
    setup << requestSetup(m_options);
    auto left = std::make_shared<int>(int(setup.size()));
    auto failure = std::make_shared<QString>();
    for (const auto& [method, params] : setup) {
        send(method, params, [left, failure, then](const QJsonObject&, const QString& error) {
            if (!error.isEmpty() && failure->isEmpty())
                *failure = error;
            if (--*left == 0)
                then(*failure);
        });
    }
}

bool ChromiumPage::isOnRunningBrowser() const
{
    return m_connection && m_connection->isRunning() && m_browser
        && m_browser->connection() == m_connection;
}

QByteArray ChromiumPage::openingKey(
    const CaptureOptions& options, int width, int height, double scale)
{
    // What decides which requests the page holds back (fetchSetup()) is part of it.
    QJsonArray key { options.proxy, options.authUser.isEmpty(), options.proxyUser.isEmpty(),
        options.headers.isEmpty() || options.headersEverywhere, width, height, scale };
    for (const auto& [method, params] : requestSetup(options))
        key << method << params;
    return QJsonDocument(key).toJson(QJsonDocument::Compact);
}

QList<std::pair<QString, QJsonObject>> ChromiumPage::requestSetup(const CaptureOptions& options)
{
    QList<std::pair<QString, QJsonObject>> setup;
    // Headers for every site are the browser's to add; those for the page's own
    // site only are added request by request (ChromiumRequestGuard).
    if (!options.headers.isEmpty() && options.headersEverywhere) {
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

void ChromiumPage::setRequestOptions(const CaptureOptions& options)
{
    m_options = options;
    // The user's secrets stay out of the protocol's trace.
    for (const auto& [name, value] : options.headers)
        CdpConnection::addTraceSecret(value);
    for (const FileCookie& cookie : options.cookies)
        CdpConnection::addTraceSecret(cookie.value);
    for (const QString& secret :
        { options.authUser, options.authPassword, options.proxyUser, options.proxyPassword })
        CdpConnection::addTraceSecret(secret);
}

void ChromiumPage::close()
{
    // The session's answers and events are no longer this page's; those still
    // awaited fail when the browser reports the target gone, unheard.
    if (m_session)
        m_session->disconnect(this);
    m_session = nullptr;
    for (const QPointer<CdpSession>& frame : std::as_const(m_frames)) {
        if (frame)
            frame->disconnect(this);
    }
    m_frames.clear();
    if (m_connection && m_connection->isRunning()) {
        if (!m_targetId.isEmpty()) {
            m_connection->send(QStringLiteral("Target.closeTarget"),
                { { QStringLiteral("targetId"), m_targetId } });
            // Its renderer may run on for a while (a script stuck in a loop, a
            // page that grows): the memory limit holds until it has gone.
            if (m_browser)
                m_browser->watchMemoryUntilClosed(m_targetId);
        }
        if (!m_contextId.isEmpty())
            m_connection->send(QStringLiteral("Target.disposeBrowserContext"),
                { { QStringLiteral("browserContextId"), m_contextId } });
    }
    m_contextId.clear();
    m_targetId.clear();
    m_sessionId.clear();
}

void ChromiumPage::setCommandTimeout(int ms)
{
    m_commandTimeoutMs = ms;
    if (m_session)
        m_session->setCommandTimeout(ms);
}

void ChromiumPage::send(
    const QString& method, const QJsonObject& params, CdpConnection::Reply reply)
{
    if (!m_session) {
        if (reply) {
            // Never from inside this call: the caller may not be ready for it.
            QMetaObject::invokeMethod(
                this,
                [reply] {
                    reply({}, CdpError(CdpError::Kind::TargetClosed, tr("The page is closed")));
                },
                Qt::QueuedConnection);
        }
        return;
    }
    if (sharedWithFrames(method)) {
        m_shared.append({ method, params });
        for (const QPointer<CdpSession>& frame : std::as_const(m_frames)) {
            if (frame)
                frame->send(method, params, {}, this);
        }
    }
    m_session->send(method, params, std::move(reply), this);
}

QJsonObject ChromiumPage::fetchSetup() const
{
    // Local files for the local file rule; documents at their answer, so that a
    // frame whose load failed stays blank.
    QJsonArray patterns {
        QJsonObject { { QStringLiteral("urlPattern"), QStringLiteral("file://*") } },
        QJsonObject { { QStringLiteral("urlPattern"), QStringLiteral("*") },
            { QStringLiteral("resourceType"), QStringLiteral("Document") },
            { QStringLiteral("requestStage"), QStringLiteral("Response") } },
    };
    // Questions for authentication come for paused requests only: with
    // credentials, every request is paused; so it is for headers that go to the
    // page's own site only.
    const bool answersAuth = !m_options.authUser.isEmpty() || !m_options.proxyUser.isEmpty();
    const bool addsHeaders = !m_options.headers.isEmpty() && !m_options.headersEverywhere;
    if (answersAuth || addsHeaders)
        patterns.append(QJsonObject { { QStringLiteral("urlPattern"), QStringLiteral("*") } });
    return { { QStringLiteral("patterns"), patterns },
        { QStringLiteral("handleAuthRequests"), answersAuth } };
}

void ChromiumPage::attachFrame(const QJsonObject& params)
{
    CdpSession* frame
        = m_connection ? m_connection->session(jsonText(params, "sessionId")) : nullptr;
    if (!frame)
        return;
    const QString type = jsonText(params.value(QStringLiteral("targetInfo")).toObject(), "type");
    if (type == QLatin1String("iframe")) {
        m_frames.removeAll(nullptr);
        m_frames.append(frame);
        if (m_commandTimeoutMs > 0)
            frame->setCommandTimeout(m_commandTimeoutMs);
        QPointer<CdpSession> guard(frame);
        connect(frame, &CdpSession::event, this,
            [this, guard](const QString& method, const QJsonObject& params) {
                if (guard)
                    onFrameEvent(guard, method, params);
            });
        QList<std::pair<QString, QJsonObject>> setup = {
            { QStringLiteral("Network.enable"), {} },
            { QStringLiteral("Fetch.enable"), fetchSetup() },
            { QStringLiteral("Target.setAutoAttach"), AutoAttach },
        };
        setup << requestSetup(m_options) << m_shared;
        // A session carries out its commands in order: the frame runs set up.
        for (const auto& [method, params] : std::as_const(setup))
            frame->send(method, params, {}, this);
    }
    // Anything else attached (a worker) runs as it would have.
    frame->send(QStringLiteral("Runtime.runIfWaitingForDebugger"), {}, {}, this);
}

void ChromiumPage::onFrameEvent(CdpSession* frame, const QString& method, const QJsonObject& params)
{
    if (method == QLatin1String("Fetch.requestPaused"))
        m_guard.onRequestPaused(frame, params);
    else if (method == QLatin1String("Fetch.authRequired"))
        m_guard.onAuthRequired(frame, params);
    else if (method == QLatin1String("Target.attachedToTarget"))
        attachFrame(params);
    else if (method.startsWith(QLatin1String("Network.")))
        // The frame's requests are the page's: the wait for a quiet network counts them.
        emit event(method, params);
}

void ChromiumPage::evaluate(const QString& expression, int contextId,
    std::function<void(const QVariant& value, const CdpError& error)> then)
{
    QJsonObject params { { QStringLiteral("expression"), expression },
        { QStringLiteral("returnByValue"), true }, { QStringLiteral("awaitPromise"), true } };
    if (contextId > 0)
        params.insert(QStringLiteral("contextId"), contextId);
    send(QStringLiteral("Runtime.evaluate"), params,
        [then](const QJsonObject& result, const CdpError& error) {
            if (!error.isEmpty()) {
                then(QVariant(), error);
                return;
            }
            if (result.contains(QStringLiteral("exceptionDetails"))) {
                then(QVariant(), CdpError::fromProtocol(evaluationError(result, QString())));
                return;
            }
            then(result.value(QStringLiteral("result"))
                     .toObject()
                     .value(QStringLiteral("value"))
                     .toVariant(),
                CdpError());
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

void ChromiumPage::screenshot(
    const QRect& area, std::function<void(const QImage& image, const QString& error)> then)
{
    // PNG is exact; optimizeForSpeed trades its size, which nobody keeps, for time.
    QJsonObject params { { QStringLiteral("format"), QStringLiteral("png") },
        { QStringLiteral("optimizeForSpeed"), true }, { QStringLiteral("fromSurface"), true } };
    if (!area.isNull()) {
        params.insert(QStringLiteral("captureBeyondViewport"), true);
        params.insert(QStringLiteral("clip"),
            QJsonObject { { QStringLiteral("x"), area.x() }, { QStringLiteral("y"), area.y() },
                { QStringLiteral("width"), area.width() },
                { QStringLiteral("height"), area.height() }, { QStringLiteral("scale"), 1 } });
    }
    send(QStringLiteral("Page.captureScreenshot"), params,
        [this, then](const QJsonObject& result, const QString& error) {
            if (!error.isEmpty()) {
                then(QImage(), error);
                return;
            }
            QByteArray base64 = m_connection ? m_connection->bulkBase64() : QByteArray();
            if (base64.isEmpty())
                base64 = result.value(QStringLiteral("data")).toString().toLatin1();
            // Decoded, from base64 and from PNG, away from the event loop.
            auto* watcher = new QFutureWatcher<QImage>(this);
            connect(watcher, &QFutureWatcherBase::finished, this, [watcher, then] {
                watcher->deleteLater();
                then(watcher->result(), QString());
            });
            watcher->setFuture(
                QtConcurrent::run([base64] { return DecodePng(QByteArray::fromBase64(base64)); }));
        });
}

void ChromiumPage::onDetached(const CdpError& reason)
{
    m_session = nullptr;
    m_sessionId.clear();
    if (reason.kind == CdpError::Kind::BadReply)
        emit failed(reason.message);
    else
        emit event(QStringLiteral("Inspector.targetCrashed"), {});
}

void ChromiumPage::onEvent(const QString& method, const QJsonObject& params)
{
    if (method == QLatin1String("Page.javascriptDialogOpening")) {
        const QString type = jsonText(params, "type");
        send(QStringLiteral("Page.handleJavaScriptDialog"),
            { { QStringLiteral("accept"),
                type == QLatin1String("alert") || type == QLatin1String("beforeunload") } });
    } else if (method == QLatin1String("Fetch.requestPaused")) {
        m_guard.onRequestPaused(m_session, params);
        return;
    } else if (method == QLatin1String("Fetch.authRequired")) {
        m_guard.onAuthRequired(m_session, params);
        return;
    } else if (method == QLatin1String("Target.attachedToTarget")) {
        attachFrame(params);
        return;
    }
    emit event(method, params);
}
