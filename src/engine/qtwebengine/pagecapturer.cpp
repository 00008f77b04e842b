#include "engine/qtwebengine/pagecapturer.h"

#include "engine/capture/capturegeometry.h"
#include "engine/capture/capturescripts.h"
#include "engine/capture/waitlimits.h"
#include "engine/qtwebengine/capturepage.h"
#include "engine/qtwebengine/pdfrenderer.h"
#include "engine/setup/renderermemory.h"

#include <QFile>
#include <QTemporaryDir>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <algorithm>
#include <utility>

namespace {

// How often the renderer's memory is looked at: a compression bomb grows it by
// a gigabyte in a few seconds.
constexpr int MemoryWatchMs = 250;

} // namespace

PageCapturer::PageCapturer(QObject* parent)
    : CaptureEngine(parent)
    , m_flow(*this)
{
    m_loadTimer.setSingleShot(true);
    connect(&m_loadTimer, &QTimer::timeout, this, &PageCapturer::onLoadTimeout);
    connect(
        &m_frames, &FrameWaiter::stalled, this, [this] { fail(tr("The page stopped drawing")); });
    connect(&m_flow, &CaptureFlow::failed, this, &PageCapturer::fail);
    connect(&m_flow, &CaptureFlow::captured, this, &PageCapturer::finish);
    m_memoryWatch.setInterval(MemoryWatchMs);
    connect(&m_memoryWatch, &QTimer::timeout, this, [this] {
        if (m_state != State::Idle && m_view
            && ResidentBytesOf(m_view->page()->renderProcessPid()) > MaxRendererBytes)
            fail(tr("The page took more than %1 MB of memory").arg(MaxRendererBytes >> 20));
    });
}

PageCapturer::~PageCapturer()
{
    // A view of our own goes with its page; a view lent to us is put back.
    if (m_external)
        abort();
    detach();
}

bool PageCapturer::isBusy() const
{
    return m_state != State::Idle;
}

QWebEnginePage* PageCapturer::page() const
{
    return m_view ? m_view->page() : nullptr;
}

QUrl PageCapturer::pageUrl() const
{
    return page() ? page()->url() : QUrl();
}

void PageCapturer::readBodyHtml(QObject* context, std::function<void(const QString& html)> then)
{
    if (!page())
        return;
    QPointer<QObject> guard(context);
    page()->runJavaScript(CaptureScripts::bodyHtml(), [guard, then](const QVariant& value) {
        if (guard)
            then(value.toString());
    });
}

void PageCapturer::readArchive(
    QObject* context, std::function<void(const QByteArray& mhtml, const QString& error)> then)
{
    QWebEnginePage* shown = page();
    if (!shown)
        return;
    // The engine saves into a file only; it lives in a folder of its own until read.
    auto folder = std::make_shared<QTemporaryDir>();
    const QString path = folder->filePath(QStringLiteral("page.mhtml"));
    QPointer<QObject> guard(context);
    auto waiting = std::make_shared<QMetaObject::Connection>();
    *waiting = connect(shown->profile(), &QWebEngineProfile::downloadRequested, context,
        [=](QWebEngineDownloadRequest* request) {
            if (!request->isSavePageDownload() || request->page() != shown)
                return;
            disconnect(*waiting);
            connect(request, &QWebEngineDownloadRequest::isFinishedChanged, context, [=] {
                if (!request->isFinished() || !guard)
                    return;
                QFile file(path);
                if (request->state() != QWebEngineDownloadRequest::DownloadCompleted
                    || !file.open(QIODevice::ReadOnly))
                    then({}, request->interruptReasonString());
                else
                    then(file.readAll(), QString());
                folder->remove();
            });
        });
    shown->save(path, QWebEngineDownloadRequest::MimeHtmlSaveFormat);
}

void PageCapturer::readScriptValue(
    const QString& script, QObject* context, std::function<void(const QVariant& value)> then)
{
    if (!page())
        return;
    QPointer<QObject> guard(context);
    page()->runJavaScript(
        script, QWebEngineScript::ApplicationWorld, [guard, then](const QVariant& value) {
            if (guard)
                then(value);
        });
}

void PageCapturer::printPdf(const QString& pdfPath, const PdfOptions& options, int timeoutSeconds,
    QObject* context, PdfDoneFn done)
{
    auto* renderer
        = new PdfRenderer(pdfPath, options, timeoutSeconds, context, std::move(done), this);
    QWebEnginePage* shown = m_state == State::Idle ? page() : nullptr;
    if (!shown) {
        renderer->printPage(nullptr);
        return;
    }
    if (m_view != m_ownView.get()) {
        renderer->printPage(shown);
        return;
    }
    // The page goes to the print as it was captured; the view takes a fresh one
    // for the next capture, which may start before the print is over.
    // Unparented first: the view deletes a page it owns at once.
    detach();
    shown->setParent(renderer);
    m_ownView->setPage(new CapturePage(m_ownView.get()));
    renderer->printOwnedPage(shown);
}

QString PageCapturer::note() const
{
    return m_note;
}

void PageCapturer::ensureOwnView()
{
    if (m_ownView)
        return;
    m_ownView = std::make_unique<QWebEngineView>();
    m_ownView->setPage(new CapturePage(m_ownView.get()));
    // A view that is never shown never paints; this one is shown without a window
    // on any screen.
    m_ownView->setAttribute(Qt::WA_DontShowOnScreen);
    m_ownView->resize(LayoutWidth, LayoutHeight);
    m_ownView->show();
}

void PageCapturer::replaceOwnPage()
{
    detach();
    // Unparented first: the view deletes a page it owns at once, and this may run
    // inside one of that page's signals.
    QWebEnginePage* old = m_ownView->page();
    if (old)
        old->setParent(nullptr);
    m_ownView->setPage(new CapturePage(m_ownView.get()));
    if (old)
        old->deleteLater();
}

void PageCapturer::discardPage()
{
    if (m_state == State::Idle && m_ownView && m_view == m_ownView.get())
        replaceOwnPage();
}

void PageCapturer::captureUrl(const QUrl& url, int timeoutSeconds)
{
    abort();
    ensureOwnView();
    attach(m_ownView.get());
    m_external = false;
    m_loadedHere = true;
    m_layoutSize = QSize(m_options.viewportWidth, m_options.viewportHeight);
    m_state = State::Loading;
    m_timeoutSeconds = timeoutSeconds > 0 ? timeoutSeconds : DefaultTimeoutSeconds;
    m_frames.setLimit(WaitLimitMs(m_timeoutSeconds));
    m_stageClock.start();
    // The previous page's size is not this page's: every page is laid out afresh.
    m_view->resize(m_layoutSize);
    // A page that showed an earlier address may have lost its renderer unseen.
    m_crashRetryUrl = m_view->page()->url().isEmpty() ? QUrl() : url;
    m_load.start(m_view->page());
    m_memoryWatch.start();
    m_loadTimer.start(TimeoutMs(m_timeoutSeconds));
    m_flow.boundPage(QDeadlineTimer(TimeoutMs(m_timeoutSeconds)), m_timeoutSeconds);
    m_view->page()->load(url);
}

void PageCapturer::loadOnFreshPage(const QUrl& url)
{
    replaceOwnPage();
    attach(m_ownView.get());
    m_load.start(m_view->page());
    m_view->page()->load(url);
}

void PageCapturer::captureView(QWebEngineView* view)
{
    abort();
    if (!view || !view->page()) {
        emit failed(tr("There is no page to capture"));
        return;
    }
    attach(view);
    m_stageClock.start();
    m_external = view != m_ownView.get();
    m_loadedHere = false;
    m_layoutSize = QSize(LayoutWidth, LayoutHeight);
    m_savedSize = view->size();
    m_savedPos = view->pos();
    m_state = State::Capturing;
    m_timeoutSeconds = DefaultTimeoutSeconds;
    m_flow.boundPage(QDeadlineTimer(QDeadlineTimer::Forever), m_timeoutSeconds);
    m_frames.setLimit(WaitLimitMs(m_timeoutSeconds));
    // A page whose scripts keep its renderer busy never answers even this first
    // question; the watchdog must already run, or the queue would wait for ever.
    m_loadTimer.start(WaitLimitMs(m_timeoutSeconds));
    runScript(CaptureScripts::scrollPosition(), [this](const QVariant& value) {
        const QVariantList pos = value.toList();
        if (pos.size() == 2)
            m_savedScroll = QPoint(pos[0].toInt(), pos[1].toInt());
        startCapture();
    });
}

void PageCapturer::attach(QWebEngineView* view)
{
    detach();
    m_view = view;
    ++m_generation;
    m_load = LoadProgress();
    m_note.clear();
    m_times = StageTimes();
    QWebEnginePage* page = view->page();
    m_connections << connect(
        page, &QWebEnginePage::loadingChanged, this, &PageCapturer::onLoadingChanged);
    m_connections << connect(
        page, &QWebEnginePage::loadFinished, this, &PageCapturer::onLoadFinished);
    m_connections << connect(page, &QWebEnginePage::renderProcessTerminated, this, [this] {
        if (m_state == State::Idle)
            return;
        // The renderer of the page before may have died between two pages, and
        // its report come once the next load had begun on the same page: that load
        // starts again on a fresh page, once. A crash of this page's own renderer
        // fails it.
        if (m_state == State::Loading && m_crashRetryUrl.isValid()
            && !m_load.documentArrived(m_view->page())) {
            loadOnFreshPage(std::exchange(m_crashRetryUrl, QUrl()));
            return;
        }
        fail(tr("The page's renderer crashed"));
    });
    m_connections << connect(page, &QWebEnginePage::loadProgress, this, [this](int percent) {
        if (m_view)
            emit statusText(
                tr("Loading %1 (%2%)").arg(m_view->page()->requestedUrl().toString()).arg(percent));
    });
    m_connections << connect(page, &QWebEnginePage::linkHovered, this, &PageCapturer::statusText);
    // A window's view can be closed while its page is captured. The view deletes its
    // page first, and the page answers the scripts still waiting as it goes: the
    // capture lets go of both before then, or its next step would call into the
    // half-deleted view (which makes itself a new page, and crashes with it). A
    // view whose page is not its own is still seen going.
    const auto gone = [this] {
        m_view = nullptr;
        failSoon(tr("The browser window was closed while its page was captured"));
    };
    m_connections << connect(page, &QWebEnginePage::_q_aboutToDelete, this, gone);
    m_connections << connect(view, &QObject::destroyed, this, gone);
}

void PageCapturer::detach()
{
    for (const QMetaObject::Connection& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
}

void PageCapturer::abort()
{
    if (m_state == State::Idle)
        return;
    m_state = State::Idle;
    ++m_generation;
    m_loadTimer.stop();
    m_memoryWatch.stop();
    m_flow.cancel();
    m_frames.cancel();
    if (!m_external && m_ownView) {
        // A page that ended badly may leave its renderer stuck in a script, its load
        // running or a report (a stopped load, a crash) on its way. It is dropped
        // with all of that, so the next page starts in a fresh page and renderer
        // and hears nothing of this one.
        replaceOwnPage();
        return;
    }
    restoreView();
}

void PageCapturer::onLoadingChanged(const QWebEngineLoadingInfo& info)
{
    if (m_state == State::Loading)
        onLoadVerdict(m_load.report(info));
}

void PageCapturer::onLoadFinished(bool ok)
{
    if (m_state != State::Loading || !m_view || ok)
        return;
    onLoadVerdict(m_load.finishedWithoutSuccess());
}

void PageCapturer::onLoadVerdict(const LoadProgress::Verdict& verdict)
{
    if (verdict.outcome == LoadProgress::Outcome::Failed)
        fail(verdict.reason);
    else if (verdict.outcome == LoadProgress::Outcome::Succeeded)
        onLoadSucceeded();
}

void PageCapturer::onLoadSucceeded()
{
    // Success is taken from the loading state, not from loadFinished(true): an HTTP
    // error page's body can finish loading "successfully" just before its failure
    // is reported. Only the top-level document reports here; "about:blank" is the
    // placeholder a view shows before the real page and is never captured.
    if (m_view->page()->url() == QUrl(QStringLiteral("about:blank")))
        return;
    m_loadTimer.stop();
    m_state = State::Capturing;
    startCapture();
}

void PageCapturer::onLoadTimeout()
{
    if (m_state == State::Capturing) {
        // A page whose scripts keep its renderer busy never answers our scripts.
        fail(tr("The page stopped responding while it was captured"));
        return;
    }
    if (m_state != State::Loading || !m_view)
        return;
    const int generation = m_generation;
    const QString timedOut = tr("Timed out after %1 seconds").arg(m_timeoutSeconds);
    // A page that fails here is dropped with its load (see abort()): the report of
    // that load's end can never reach the next page, so every failure below is
    // given at once.
    if (!m_load.documentArrived(m_view->page())) {
        // Nothing of the page came: what the view holds is the previous page or a
        // blank one, which would look loaded to the question below.
        fail(timedOut + tr(" waiting for the page"));
        return;
    }
    if (m_load.askedAfterTimeout()) {
        // Not even the question below was answered: the renderer is stuck.
        fail(timedOut);
        return;
    }
    m_load.setAskedAfterTimeout();
    m_loadTimer.start(LateAnswerMs);
    // A page that keeps loading for ever (endless retries of broken images) has long
    // been parsed and drawn: it is captured as it stands. A page whose document never
    // arrived has nothing worth capturing.
    m_view->page()->runJavaScript(
        CaptureScripts::readyState(), [this, generation, timedOut](const QVariant& state) {
            if (generation != m_generation || m_state != State::Loading || !m_view)
                return;
            const bool parsed = state.toString() != QLatin1String("loading")
                && m_view->page()->url() != QUrl(QStringLiteral("about:blank"))
                && m_load.error().isEmpty()
                && m_view->page()->url().matches(
                    m_view->page()->requestedUrl(), QUrl::StripTrailingSlash);
            m_state = State::Capturing;
            m_loadTimer.stop();
            // A page that is captured as it stands keeps loading: stopping it
            // would also stop the frames the capture waits for.
            if (!parsed) {
                fail(timedOut);
                return;
            }
            m_note = timedOut + tr(" waiting for the page to finish loading; captured as it stood");
            startCapture();
        });
}

void PageCapturer::startCapture()
{
    m_times.load = m_stageClock.restart() / 1000.0;
    m_loadTimer.start(WaitLimitMs(m_timeoutSeconds));
    emit statusText(tr("Capturing %1").arg(m_view->page()->url().toString()));
    // A page that ran out of time waits no longer; any other page gets its own
    // time-out again for the images it only loads when they are scrolled to.
    const int waitSeconds = !m_note.isEmpty() ? 0
        : m_timeoutSeconds > 0                ? m_timeoutSeconds
                                              : DefaultTimeoutSeconds;
    // A view is captured as it stands; a page loaded for its capture first comes to
    // rest.
    CaptureOptions options = CaptureFlow::noWait();
    if (m_loadedHere) {
        options = m_options;
        // This engine draws at one image pixel per CSS pixel only.
        options.scale = 1;
        if (waitSeconds == 0)
            options.settleSeconds = 0;
    }
    // The lazy content's wait is part of the wait for a still page, and held to its
    // bound as well; an element the page must show is waited for as long as the
    // page's time-out.
    const int lazyWaitSeconds = options.settleSeconds > 0 && options.waitFor.isEmpty()
        ? std::min(waitSeconds, options.settleSeconds)
        : waitSeconds;
    m_flow.setTallPagesCut(tallPagesCut());
    m_flow.setPictureFormat(pictureFormat());
    m_flow.start(
        lazyWaitSeconds, m_external ? m_savedSize.height() : m_layoutSize.height(), options);
}

void PageCapturer::finish(const QImage& image)
{
    m_times.settle = m_flow.settleSeconds();
    m_times.tiles = m_flow.tilesSeconds();
    if (!m_flow.remark().isEmpty())
        m_note
            = m_note.isEmpty() ? m_flow.remark() : m_note + QStringLiteral("; ") + m_flow.remark();
    m_loadTimer.stop();
    m_memoryWatch.stop();
    m_state = State::Idle;
    m_frames.cancel();
    restoreView();
    emit captured(image);
}

void PageCapturer::fail(const QString& reason)
{
    abort();
    emit failed(reason);
}

void PageCapturer::failSoon(const QString& reason)
{
    if (m_state == State::Idle)
        return;
    // Stopped now, answered from the event loop: this may run inside the view's
    // destructor, where the receiver of the answer must not be reached.
    abort();
    const int generation = m_generation;
    QTimer::singleShot(0, this, [this, generation, reason] {
        if (generation == m_generation)
            emit failed(reason);
    });
}

bool PageCapturer::viewIsGone()
{
    if (m_view && m_view->page())
        return false;
    failSoon(tr("The browser window was closed while its page was captured"));
    return true;
}

void PageCapturer::restoreView()
{
    if (!m_view)
        return;
    if (!m_external) {
        m_view->resize(m_layoutSize);
        m_view->page()->runJavaScript(CaptureScripts::removeMarker());
        return;
    }
    // Back to its size first: while the view still holds the whole page there is
    // nothing to scroll, and the page would stay at the top.
    m_view->resize(m_savedSize);
    m_view->move(m_savedPos);
    m_view->page()->runJavaScript(CaptureScripts::restore(m_savedScroll.x(), m_savedScroll.y()));
}

void PageCapturer::runScript(const QString& script, std::function<void(const QVariant&)> then)
{
    if (viewIsGone())
        return;
    const int generation = m_generation;
    QPointer<PageCapturer> self(this);
    m_view->page()->runJavaScript(script, [self, generation, then](const QVariant& result) {
        if (!self || generation != self->m_generation || self->m_state != State::Capturing
            || !self->m_view)
            return;
        // Each step gets the page's own limit, however many steps a tall page takes;
        // a renderer that stops answering fails the capture once it runs out.
        self->m_loadTimer.start(WaitLimitMs(self->m_timeoutSeconds));
        then(result);
    });
}

void PageCapturer::whenPainted(std::function<void()> then)
{
    if (viewIsGone())
        return;
    // The frame waiter bounds this wait by the same limit and names its failure;
    // the page's own watchdog stays armed behind it, a little longer, so that no
    // step of a capture is ever without one.
    m_loadTimer.start(
        int(std::min<qint64>(qint64(WaitLimitMs(m_timeoutSeconds)) + WaitMarginMs, INT_MAX)));
    m_frames.wait(m_view, [this, then = std::move(then)] {
        m_loadTimer.start(WaitLimitMs(m_timeoutSeconds));
        then();
    });
}

void PageCapturer::grabView(std::function<void(const QImage&)> then)
{
    if (viewIsGone())
        return;
    then(m_view->grab().toImage());
}

void PageCapturer::resizeView(const QSize& size)
{
    if (viewIsGone())
        return;
    m_view->resize(size);
}
