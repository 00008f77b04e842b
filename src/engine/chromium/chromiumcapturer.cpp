#include "engine/chromium/chromiumcapturer.h"

#include "engine/capture/capturescripts.h"
#include "engine/capture/loaderror.h"
#include "engine/capture/waitlimits.h"
#include "engine/chromium/chromiumbrowser.h"
#include "engine/chromium/chromiumpage.h"
#include "engine/chromium/chromiumpdfprinter.h"
#include "engine/setup/renderermemory.h"

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>

namespace {

// How long an aborted load may take to report that its renderer went: the report
// follows the load's end within milliseconds.
constexpr int AbortCauseMs = 1500;

// Resolves once two animation frames have passed: every change made before it has
// been laid out and painted into a frame.
const QString TwoFrames
    = QStringLiteral("new Promise(function (r) { requestAnimationFrame(function () {"
                     " requestAnimationFrame(function () { r(true); }); }); })");

} // namespace

ChromiumCapturer::ChromiumCapturer(ChromiumBrowser* browser, QObject* parent)
    : CaptureEngine(parent)
    , m_browser(browser)
    , m_spare(browser)
    , m_flow(*this)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ChromiumCapturer::onTimeout);
    connect(&m_flow, &CaptureFlow::failed, this, &ChromiumCapturer::fail);
    connect(&m_flow, &CaptureFlow::captured, this, &ChromiumCapturer::finish);
    m_abortCause.setSingleShot(true);
    m_abortCause.setInterval(AbortCauseMs);
    connect(&m_abortCause, &QTimer::timeout, this, &ChromiumCapturer::onLoadAborted);
    m_memoryWatch.setInterval(MemoryWatchMs);
    connect(&m_memoryWatch, &QTimer::timeout, this, &ChromiumCapturer::watchMemory);
    if (m_browser) {
        connect(m_browser, &ChromiumBrowser::died, this, [this](const QString& reason) {
            if (m_state != State::Idle)
                fail(tr("The browser closed while the page was converted (%1)").arg(reason));
            else
                m_page.reset();
        });
    }
}

ChromiumCapturer::~ChromiumCapturer() = default;

void ChromiumCapturer::captureUrl(const QUrl& url, int timeoutSeconds)
{
    abort();
    closePage();
    ++m_generation;
    m_url = url;
    m_pageUrl = QUrl();
    m_note.clear();
    m_injectRemark.clear();
    m_times = StageTimes();
    m_httpStatus = 0;
    m_documentRequest.clear();
    m_navigated = false;
    m_askedAfterTimeout = false;
    m_world = 0;
    m_network.restart();
    m_timeoutSeconds = timeoutSeconds > 0 ? timeoutSeconds : DefaultTimeoutSeconds;
    m_state = State::Opening;
    m_stageClock.start();
    m_timer.start(TimeoutMs(m_timeoutSeconds));
    m_peakRendererBytes = 0;
    m_memoryLooks = 0;
    m_memoryWatch.start();
    emit statusText(tr("Loading %1").arg(url.toString()));
    if (!m_browser) {
        fail(tr("No Chromium to load the page in"));
        return;
    }
    const int generation = m_generation;
    m_browser->whenReady([this, generation](const QString& error) {
        if (generation != m_generation || m_state != State::Opening)
            return;
        if (!error.isEmpty()) {
            fail(error);
            return;
        }
        // The browser's start was bounded by the page's time; the page's load
        // gets the whole of it, however long a busy machine took to start it.
        m_timer.start(TimeoutMs(m_timeoutSeconds));
        m_flow.boundPage(QDeadlineTimer(TimeoutMs(m_timeoutSeconds)), m_timeoutSeconds);
        openPage();
    });
}

void ChromiumCapturer::openPage()
{
    // A page loaded without the cookies or the credentials asked for would be
    // another page than the one meant.
    if (!m_options.fileProblem.isEmpty()) {
        fail(m_options.fileProblem);
        return;
    }
    const int generation = m_generation;
    auto opened = [this, generation](const QString& error) {
        if (generation != m_generation || m_state != State::Opening)
            return;
        if (!error.isEmpty()) {
            fail(tr("The browser could not open a page: %1").arg(error));
            return;
        }
        navigate();
    };
    m_page = m_spare.take(m_options, opened);
    const bool spare = m_page != nullptr;
    m_fromSpare = spare;
    if (!spare)
        m_page = std::make_unique<ChromiumPage>(m_browser);
    m_page->setRequestedUrl(m_url);
    m_page->setRequestOptions(m_options);
    connect(m_page.get(), &ChromiumPage::event, this, &ChromiumCapturer::onPageEvent);
    connect(m_page.get(), &ChromiumPage::failed, this, &ChromiumCapturer::fail);
    m_page->setCommandTimeout(WaitLimitMs(m_timeoutSeconds));
    if (!spare)
        m_page->open(
            m_options.viewportWidth, m_options.viewportHeight, m_options.scale, std::move(opened));
}

void ChromiumCapturer::reopenFreshPage()
{
    ++m_generation;
    m_fromSpare = false;
    m_abortCause.stop();
    closePage();
    m_httpStatus = 0;
    m_documentRequest.clear();
    m_pageUrl = QUrl();
    m_network.forgetOpenRequests();
    m_world = 0;
    m_state = State::Opening;
    openPage();
}

void ChromiumCapturer::navigate()
{
    m_state = State::Loading;
    // Commands of one session are carried out in order: the page loads with these.
    if (!m_options.userAgent.isEmpty())
        m_page->send(QStringLiteral("Network.setUserAgentOverride"),
            { { QStringLiteral("userAgent"), m_options.userAgent } });
    if (!m_options.colorScheme.isEmpty() || !m_options.media.isEmpty()) {
        QJsonArray features;
        if (!m_options.colorScheme.isEmpty())
            features.append(
                QJsonObject { { QStringLiteral("name"), QStringLiteral("prefers-color-scheme") },
                    { QStringLiteral("value"), m_options.colorScheme } });
        m_page->send(QStringLiteral("Emulation.setEmulatedMedia"),
            { { QStringLiteral("media"), m_options.media },
                { QStringLiteral("features"), features } });
    }
    // A page that prints itself while it loads would leave the browser printing it,
    // and the PDF asked for refused ("already being printed"): its print() does
    // nothing, in every document of the page, before the page's own scripts run.
    m_page->send(QStringLiteral("Page.addScriptToEvaluateOnNewDocument"),
        { { QStringLiteral("source"), QStringLiteral("window.print = function () {};") } });
    const int generation = m_generation;
    m_page->send(QStringLiteral("Page.navigate"), { { QStringLiteral("url"), m_url.toString() } },
        [this, generation](const QJsonObject& result, const QString& error) {
            if (generation != m_generation || m_state != State::Loading)
                return;
            const QString errorText = result.value(QStringLiteral("errorText")).toString();
            if (!error.isEmpty() || !errorText.isEmpty()) {
                // The browser stops the load of a download and of much else with
                // the same error; it says which loads were downloads.
                if (result.value(QStringLiteral("isDownload")).toBool())
                    fail(tr("The address is a download, not a page"));
                else if (errorText == QLatin1String("net::ERR_ABORTED"))
                    m_abortCause.start();
                // The protocol refuses an address it cannot parse outright.
                else if (!errorText.isEmpty())
                    fail(NetworkErrorText(errorText));
                else if (error.contains(QLatin1String("invalid URL"), Qt::CaseInsensitive))
                    fail(tr("Not a valid address"));
                else
                    fail(tr("The browser could not load the page: %1").arg(error));
                return;
            }
            m_navigated = true;
            if (m_httpStatus >= 400)
                fail(LoadErrorText(m_httpStatus));
        });
}

void ChromiumCapturer::onPageEvent(const QString& method, const QJsonObject& params)
{
    if (m_state == State::Idle)
        return;
    if (method == QLatin1String("Inspector.targetCrashed")) {
        // A page opened ahead of time may have lost its renderer just before it
        // was taken, and the report come after: that renderer was never this
        // address's. Before the navigation is answered, the page starts afresh.
        if (m_fromSpare && !m_navigated) {
            reopenFreshPage();
            return;
        }
        // A renderer ended for its memory is reported as any crash.
        if (RendererEndedForMemoryWithin(AbortCauseMs + MemoryWatchMs))
            fail(tr("The page took more than %1 MB of memory").arg(MaxRendererBytes >> 20));
        else
            fail(tr("The page's renderer crashed"));
        return;
    }
    // The document's body cut short: the browser shows what came and never says
    // the load failed, nor ends it.
    if (method == QLatin1String("Network.loadingFailed") && m_state == State::Loading
        && !m_documentRequest.isEmpty()
        && params.value(QStringLiteral("requestId")).toString() == m_documentRequest
        && !params.value(QStringLiteral("canceled")).toBool()) {
        fail(NetworkErrorText(params.value(QStringLiteral("errorText")).toString()));
        return;
    }
    const QString mainFrame = m_page ? m_page->frameId() : QString();
    m_network.onEvent(method, params, mainFrame);
    if (method == QLatin1String("Network.responseReceived")) {
        if (params.value(QStringLiteral("type")).toString() == QLatin1String("Document")
            && params.value(QStringLiteral("frameId")).toString() == mainFrame) {
            const QJsonObject response = params.value(QStringLiteral("response")).toObject();
            m_httpStatus = response.value(QStringLiteral("status")).toInt();
            m_documentRequest = params.value(QStringLiteral("requestId")).toString();
            m_pageUrl = QUrl(response.value(QStringLiteral("url")).toString());
        }
        return;
    }
    if (method == QLatin1String("Page.frameNavigated")) {
        const QJsonObject frame = params.value(QStringLiteral("frame")).toObject();
        if (!frame.contains(QStringLiteral("parentId")))
            m_pageUrl = QUrl(frame.value(QStringLiteral("url")).toString()
                + frame.value(QStringLiteral("urlFragment")).toString());
        // The browser's error page is never a capture (a failed first load is
        // reported by the navigation's answer).
        if (const QString problem = ErrorPageProblem(
                m_url, m_pageUrl, QUrl(frame.value(QStringLiteral("unreachableUrl")).toString()));
            m_navigated && !frame.contains(QStringLiteral("parentId")) && !problem.isEmpty())
            fail(problem);
        return;
    }
    if (method == QLatin1String("Page.loadEventFired") && m_state == State::Loading)
        onLoaded();
}

void ChromiumCapturer::onLoaded()
{
    if (m_httpStatus >= 400) {
        fail(LoadErrorText(m_httpStatus));
        return;
    }
    if (m_pageUrl.isEmpty() || m_pageUrl == QUrl(QStringLiteral("about:blank")))
        return;
    // The next page's context and target are made while this one is captured
    // and written: the next page starts at its load.
    m_spare.prepare(m_options);
    startCapture();
}

void ChromiumCapturer::onLoadAborted()
{
    if (m_state != State::Loading)
        return;
    if (m_httpStatus == 204 || m_httpStatus == 205)
        fail(tr("The server sent no page (HTTP %1 No Content)").arg(m_httpStatus));
    else
        fail(tr("The browser stopped loading the page before it arrived"));
}

void ChromiumCapturer::watchMemory()
{
    if (m_state == State::Idle || !m_browser || !m_browser->connection())
        return;
    // Renderers come and go with the pages; their list is read less often than
    // their memory.
    if (m_memoryLooks++ % RendererListEvery == 0)
        m_renderers = RendererProcessesBelow(m_browser->connection()->processId());
    for (const qint64 pid : std::as_const(m_renderers)) {
        const qint64 bytes = ResidentBytesOf(pid);
        m_peakRendererBytes = std::max(m_peakRendererBytes, bytes);
        if (bytes > MaxRendererBytes)
            EndRendererForMemory(pid);
    }
}

void ChromiumCapturer::onTimeout()
{
    const QString timedOut = tr("Timed out after %1 seconds").arg(m_timeoutSeconds);
    if (m_state == State::Capturing) {
        // A page whose scripts keep its renderer busy never answers our scripts.
        fail(tr("The page stopped responding while it was captured"));
        return;
    }
    if (m_state != State::Loading || !m_navigated) {
        fail(timedOut + tr(" waiting for the page"));
        return;
    }
    if (m_askedAfterTimeout) {
        // Not even the question below was answered: the renderer is stuck.
        fail(timedOut);
        return;
    }
    m_askedAfterTimeout = true;
    m_timer.start(LateAnswerMs);
    // A page that keeps loading for ever (endless retries of broken images) has long
    // been parsed and drawn: it is captured as it stands.
    const int generation = m_generation;
    m_page->evaluate(CaptureScripts::readyState(), 0,
        [this, generation, timedOut](const QVariant& state, const QString&) {
            if (generation != m_generation || m_state != State::Loading)
                return;
            if (!state.isValid() || state.toString() == QLatin1String("loading")
                || m_httpStatus >= 400) {
                fail(m_httpStatus >= 400 ? LoadErrorText(m_httpStatus) : timedOut);
                return;
            }
            m_note = timedOut + tr(" waiting for the page to finish loading; captured as it stood");
            startCapture();
        });
}

void ChromiumCapturer::startCapture()
{
    m_state = State::Capturing;
    m_times.load = m_stageClock.restart() / 1000.0;
    m_timer.start(WaitLimitMs(m_timeoutSeconds));
    emit statusText(tr("Capturing %1").arg(m_pageUrl.toString()));
    // Lazy content is waited for within the page's time-out, and within the bound of
    // the wait for a still page when there is one: that wait starts with it. An
    // element the page must show is waited for as long as the page's time-out.
    const bool bySettle = m_options.settleSeconds > 0 && m_options.waitFor.isEmpty();
    const int waitSeconds = !m_note.isEmpty() ? 0
        : bySettle                            ? std::min(m_timeoutSeconds, m_options.settleSeconds)
                                              : m_timeoutSeconds;
    const int generation = m_generation;
    // The capture's scripts run in a world of their own: a page that replaces
    // requestAnimationFrame or scrollTo cannot stall or mislead them.
    m_page->send(QStringLiteral("Page.createIsolatedWorld"),
        { { QStringLiteral("frameId"), m_page->frameId() },
            { QStringLiteral("worldName"), QStringLiteral("pagelith-capture") } },
        [this, generation, waitSeconds](const QJsonObject& result, const QString& error) {
            if (generation != m_generation || m_state != State::Capturing)
                return;
            if (!error.isEmpty()) {
                fail(tr("The page stopped responding while it was captured"));
                return;
            }
            m_world = result.value(QStringLiteral("executionContextId")).toInt();
            injectIntoPage([this, waitSeconds] {
                CaptureOptions options = m_options;
                if (waitSeconds == 0)
                    options.settleSeconds = 0;
                m_flow.setTallPagesCut(tallPagesCut());
                m_flow.setPictureFormat(pictureFormat());
                m_flow.start(waitSeconds, options.viewportHeight, options);
            });
        });
}

void ChromiumCapturer::injectIntoPage(std::function<void()> then)
{
    if (m_options.injectedStyle.isEmpty() && m_options.injectedScript.isEmpty()) {
        then();
        return;
    }
    const int generation = m_generation;
    m_page->inject(m_options.injectedStyle, m_options.injectedScript,
        [this, generation, then](const QString& styleError, const QString& scriptError) {
            if (generation != m_generation || m_state != State::Capturing)
                return;
            m_timer.start(WaitLimitMs(m_timeoutSeconds));
            // The page is still captured: the remark says what went wrong.
            QStringList errors;
            if (!styleError.isEmpty())
                errors << tr("%1 stopped with an error: %2").arg(m_options.styleFile, styleError);
            if (!scriptError.isEmpty())
                errors << tr("%1 stopped with an error: %2").arg(m_options.scriptFile, scriptError);
            m_injectRemark = errors.join(QStringLiteral("; "));
            then();
        });
}

void ChromiumCapturer::finish(const QImage& image)
{
    m_times.settle = m_flow.settleSeconds();
    m_times.tiles = m_flow.tilesSeconds();
    QStringList remarks { m_flow.remark(), m_injectRemark };
    if (m_page)
        remarks << m_page->localFileRemarks();
    // A page whose certificate was not checked may not be the site it claims to be.
    if (m_options.ignoreHttpsErrors)
        remarks << tr("HTTPS certificate errors were ignored");
    for (const QString& remark : std::as_const(remarks)) {
        if (!remark.isEmpty())
            m_note = m_note.isEmpty() ? remark : m_note + QStringLiteral("; ") + remark;
    }
    m_timer.stop();
    m_memoryWatch.stop();
    m_state = State::Idle;
    emit captured(image);
}

void ChromiumCapturer::fail(const QString& reason)
{
    if (m_state == State::Idle)
        return;
    abort();
    // A page that failed may be stuck in a script or still loading: the next page
    // must not meet it.
    closePage();
    emit failed(reason);
}

void ChromiumCapturer::abort()
{
    if (m_state == State::Idle)
        return;
    m_state = State::Idle;
    ++m_generation;
    m_timer.stop();
    m_abortCause.stop();
    m_memoryWatch.stop();
    m_flow.cancel();
    // Stopped is stopped: the page's scripts and loads end now, not with the next
    // page (the browser holds its memory limit until the target has gone).
    closePage();
}

void ChromiumCapturer::discardPage()
{
    if (m_state == State::Idle)
        closePage();
}

void ChromiumCapturer::closePage()
{
    if (!m_page)
        return;
    m_page->disconnect(this);
    m_page.reset();
}

void ChromiumCapturer::readBodyHtml(QObject* context, std::function<void(const QString& html)> then)
{
    if (!m_page)
        return;
    QPointer<QObject> guard(context);
    m_page->evaluate(
        CaptureScripts::bodyHtml(), 0, [guard, then](const QVariant& value, const QString& error) {
            if (guard && error.isEmpty())
                then(value.toString());
        });
}

void ChromiumCapturer::readArchive(
    QObject* context, std::function<void(const QByteArray& mhtml, const QString& error)> then)
{
    if (!m_page)
        return;
    QPointer<QObject> guard(context);
    m_page->send(QStringLiteral("Page.captureSnapshot"),
        QJsonObject { { QStringLiteral("format"), QStringLiteral("mhtml") } },
        [guard, then](const QJsonObject& result, const QString& error) {
            if (guard)
                then(result.value(QStringLiteral("data")).toString().toUtf8(), error);
        });
}

void ChromiumCapturer::readScriptValue(
    const QString& script, QObject* context, std::function<void(const QVariant& value)> then)
{
    if (!m_page)
        return;
    QPointer<QObject> guard(context);
    m_page->evaluate(script, m_world, [guard, then](const QVariant& value, const QString& error) {
        if (guard)
            then(error.isEmpty() ? value : QVariant());
    });
}

void ChromiumCapturer::printPdf(const QString& pdfPath, const PdfOptions& options,
    int timeoutSeconds, QObject* context, PdfDoneFn done)
{
    auto* printer
        = new ChromiumPdfPrinter(pdfPath, options, timeoutSeconds, context, std::move(done), this);
    if (m_state != State::Idle || !m_page) {
        printer->print(nullptr, 0);
        return;
    }
    // The capture left the window as tall as its last tile: back to the window a
    // visitor has before the page is laid out for print.
    resizeView(QSize(m_options.viewportWidth, m_options.viewportHeight));
    // The page goes to the print; the next capture opens a page of its own.
    m_page->disconnect(this);
    printer->print(std::move(m_page), m_world);
}

void ChromiumCapturer::runScript(const QString& script, std::function<void(const QVariant&)> then)
{
    const int generation = m_generation;
    m_page->evaluate(
        script, m_world, [this, generation, then](const QVariant& value, const CdpError& error) {
            if (generation != m_generation || m_state != State::Capturing)
                return;
            // The script's document went: what it would say is not of the page shown.
            if (error.kind == CdpError::Kind::ContextLost) {
                fail(error.message);
                return;
            }
            // Each step gets the page's own limit, however many steps a tall page takes.
            m_timer.start(WaitLimitMs(m_timeoutSeconds));
            then(value);
        });
}

void ChromiumCapturer::whenPainted(std::function<void()> then)
{
    runScript(TwoFrames, [then](const QVariant&) { then(); });
}

void ChromiumCapturer::grabView(std::function<void(const QImage&)> then)
{
    grabArea(QRect(), std::move(then));
}

void ChromiumCapturer::grabArea(const QRect& area, std::function<void(const QImage&)> then)
{
    const int generation = m_generation;
    m_page->screenshot(area, [this, generation, then](const QImage& image, const QString&) {
        if (generation != m_generation || m_state != State::Capturing)
            return;
        m_timer.start(WaitLimitMs(m_timeoutSeconds));
        then(image);
    });
}

void ChromiumCapturer::resizeView(const QSize& size)
{
    // The page keeps the window's width, however wide its capture: wider, it would
    // be laid out again (its media rules, its paragraphs' lines), and a page wider
    // than the window would come out in a layout nobody sees. What lies beyond the
    // window's width, the page's overflow and the blank strip, is drawn by the grab
    // (see grabArea()). Only the height follows the view, for the tiles.
    const int layoutWidth = std::min(size.width(), m_options.viewportWidth);
    m_page->send(QStringLiteral("Emulation.setDeviceMetricsOverride"),
        { { QStringLiteral("width"), layoutWidth }, { QStringLiteral("height"), size.height() },
            { QStringLiteral("deviceScaleFactor"), m_options.scale },
            { QStringLiteral("mobile"), false } });
}

int ChromiumCapturer::networkQuietMs() const
{
    return m_network.quietMs();
}

int ChromiumCapturer::tileHeightFor(const QSize& captureSize) const
{
    // In image rows: the browser's limit, and an area that keeps the browser's
    // surface for a grab (and the screenshot it encodes) small. A tall page in
    // grabs of a few megapixels takes about the time of one grab, with a third of
    // the memory.
    const double scale = m_options.scale;
    const int byArea = int(MaxTileArea / (std::max(captureSize.width(), 1) * scale * scale));
    return std::min(
        { captureSize.height(), int(MaxTileHeight / scale), std::max(byArea, MinTileHeight) });
}
