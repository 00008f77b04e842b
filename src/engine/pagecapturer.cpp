#include "pagecapturer.h"

#include "capturegeometry.h"
#include "capturepage.h"
#include "capturescripts.h"
#include "loaderror.h"
#include "waitlimits.h"

#include <QPainter>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// Larger images cannot be held (4 bytes a pixel).
constexpr qint64 MaxCapturePixels = 250'000'000;
constexpr int MaxCaptureSide = 32000;
// The "timeout" of a view captured as it stands, which has no setting of its own.
constexpr int DefaultTimeoutSeconds = 60;
// How often a page is asked whether its lazy images and frames have arrived.
constexpr int ContentPollMs = 50;
// Grabs of one tile before the page fails for want of a current frame. Each one
// follows a fresh frame request, bounded by the frame waiter's own watchdog.
constexpr int MaxGrabsPerTile = 6;

} // namespace

PageCapturer::PageCapturer(QObject* parent)
    : QObject(parent)
{
    m_loadTimer.setSingleShot(true);
    connect(&m_loadTimer, &QTimer::timeout, this, &PageCapturer::onLoadTimeout);
    connect(&m_frames, &FrameWaiter::stalled, this,
        [this] { fail(QStringLiteral("The page stopped drawing")); });
    m_contentPoll.setSingleShot(true);
    m_contentPoll.setInterval(ContentPollMs);
    connect(&m_contentPoll, &QTimer::timeout, this, &PageCapturer::waitForLazyContent);
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
    m_state = State::Loading;
    m_timeoutSeconds = timeoutSeconds > 0 ? timeoutSeconds : DefaultTimeoutSeconds;
    m_frames.setLimit(WaitLimitMs(m_timeoutSeconds));
    m_stageClock.start();
    // The previous page's size is not this page's: every page is laid out afresh.
    m_view->resize(LayoutWidth, LayoutHeight);
    m_entryBefore = currentEntry();
    m_loadTimer.start(int(std::min<qint64>(qint64(m_timeoutSeconds) * 1000, INT_MAX)));
    m_view->page()->load(url);
}

void PageCapturer::captureView(QWebEngineView* view)
{
    abort();
    if (!view || !view->page()) {
        emit failed(QStringLiteral("There is no page to capture"));
        return;
    }
    attach(view);
    m_stageClock.start();
    m_external = view != m_ownView.get();
    m_savedSize = view->size();
    m_savedPos = view->pos();
    m_state = State::Capturing;
    m_timeoutSeconds = DefaultTimeoutSeconds;
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
    m_loadError.clear();
    m_lastLoadStatus = QWebEngineLoadingInfo::LoadStartedStatus;
    m_finishedFailed = false;
    m_timeoutQueried = false;
    m_note.clear();
    m_grabTries = 0;
    m_recaptured = false;
    m_remeasured = false;
    m_viewHighTiles = false;
    m_image = QImage();
    m_times = StageTimes();
    QWebEnginePage* page = view->page();
    m_connections << connect(
        page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
            if (m_state != State::Loading)
                return;
            m_lastLoadStatus = info.status();
            if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
                m_loadError.clear();
                m_finishedFailed = false;
                return;
            }
            // An error page (the server's own body for an HTTP error) loads
            // "successfully" but is a failure all the same.
            const bool httpError = info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain
                && info.errorCode() >= 400;
            if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus
                && (info.isErrorPage() || httpError)) {
                fail(LoadErrorText(info));
                return;
            }
            if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus) {
                onLoadSucceeded();
                return;
            }
            // A refused connection or a missing file ends "stopped", with its reason.
            if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus
                || info.errorDomain() != QWebEngineLoadingInfo::NoErrorDomain)
                m_loadError = LoadErrorText(info);
            checkLoadFailed();
        });
    m_connections << connect(
        page, &QWebEnginePage::loadFinished, this, &PageCapturer::onLoadFinished);
    m_connections << connect(page, &QWebEnginePage::renderProcessTerminated, this, [this] {
        if (m_state != State::Idle)
            fail(QStringLiteral("The page's renderer crashed"));
    });
    m_connections << connect(page, &QWebEnginePage::loadProgress, this, [this](int percent) {
        if (m_view)
            emit statusText(QStringLiteral("Loading %1 (%2%)")
                                .arg(m_view->page()->requestedUrl().toString())
                                .arg(percent));
    });
    m_connections << connect(page, &QWebEnginePage::linkHovered, this, &PageCapturer::statusText);
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
    m_contentPoll.stop();
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

void PageCapturer::onLoadFinished(bool ok)
{
    if (m_state != State::Loading || !m_view || ok)
        return;
    // Qt reports a failed load before its reason (the HTTP status) or after it; the
    // page fails once both are in.
    m_finishedFailed = true;
    checkLoadFailed();
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

void PageCapturer::checkLoadFailed()
{
    if (m_state != State::Loading)
        return;
    // An HTTP error status is a failure even before the load has ended.
    if (m_lastLoadStatus == QWebEngineLoadingInfo::LoadFailedStatus) {
        fail(m_loadError);
        return;
    }
    // A stopped load that finished without success: the connection was refused or
    // dropped. A stop followed by a new start (a script redirect) goes on.
    if (m_finishedFailed && m_lastLoadStatus == QWebEngineLoadingInfo::LoadStoppedStatus)
        fail(m_loadError.isEmpty() ? LoadErrorText(0) : m_loadError);
}

void PageCapturer::onLoadTimeout()
{
    if (m_state == State::Capturing) {
        // A page whose scripts keep its renderer busy never answers our scripts.
        fail(QStringLiteral("The page stopped responding while it was captured"));
        return;
    }
    if (m_state != State::Loading || !m_view)
        return;
    const int generation = m_generation;
    const QString timedOut = QStringLiteral("Timed out after %1 seconds").arg(m_timeoutSeconds);
    // A page that fails here is dropped with its load (see abort()): the report of
    // that load's end can never reach the next page, so every failure below is
    // given at once.
    if (!documentArrived()) {
        // Nothing of the page came: what the view holds is the previous page or a
        // blank one, which would look loaded to the question below.
        fail(timedOut + QStringLiteral(" waiting for the page"));
        return;
    }
    if (m_timeoutQueried) {
        // Not even the question below was answered: the renderer is stuck.
        fail(timedOut);
        return;
    }
    m_timeoutQueried = true;
    m_loadTimer.start(WaitMarginMs);
    // A page that keeps loading for ever (endless retries of broken images) has long
    // been parsed and drawn: it is captured as it stands. A page whose document never
    // arrived has nothing worth capturing.
    m_view->page()->runJavaScript(
        CaptureScripts::readyState(), [this, generation, timedOut](const QVariant& state) {
            if (generation != m_generation || m_state != State::Loading || !m_view)
                return;
            const bool parsed = state.toString() != QLatin1String("loading")
                && m_view->page()->url() != QUrl(QStringLiteral("about:blank"))
                && m_loadError.isEmpty()
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
            m_note = timedOut
                + QStringLiteral(" waiting for the page to finish loading; captured as it stood");
            startCapture();
        });
}

PageCapturer::Entry PageCapturer::currentEntry() const
{
    QWebEngineHistory* history = m_view->page()->history();
    const QWebEngineHistoryItem item = history->currentItem();
    return { history->count(), history->currentItemIndex(), item.url(), item.lastVisited() };
}

bool PageCapturer::documentArrived() const
{
    // Every document shown makes or renews a history entry, even one that replaces
    // the entry of the same address; the page's address says nothing here, as it
    // names the requested page while that is still pending.
    return !(currentEntry() == m_entryBefore) && !m_view->page()->url().isEmpty();
}

void PageCapturer::startCapture()
{
    m_times.load = m_stageClock.restart() / 1000.0;
    m_loadTimer.start(WaitLimitMs(m_timeoutSeconds));
    emit statusText(QStringLiteral("Capturing %1").arg(m_view->page()->url().toString()));
    // A page that ran out of time waits no longer; any other page gets its own
    // "timeout" again for the images it only loads when they are scrolled to.
    const int waitSeconds = !m_note.isEmpty() ? 0
        : m_timeoutSeconds > 0                ? m_timeoutSeconds
                                              : DefaultTimeoutSeconds;
    runScript(CaptureScripts::loadLazyContent(), [this, waitSeconds](const QVariant&) {
        m_contentDeadline = QDeadlineTimer(std::chrono::seconds(waitSeconds));
        waitForLazyContent();
    });
}

void PageCapturer::waitForLazyContent()
{
    runScript(CaptureScripts::pendingContent(), [this](const QVariant& pending) {
        if (pending.toInt() > 0 && !m_contentDeadline.hasExpired()) {
            m_contentPoll.start();
            return;
        }
        measureForLayout();
    });
}

void PageCapturer::measureForLayout()
{
    runScript(CaptureScripts::measure(),
        [this](const QVariant& metrics) { PrepareCaptureLayout(metrics); });
}

void PageCapturer::PrepareCaptureLayout(const QVariant& value)
{
    const BodyMetrics metrics = BodyMetrics::fromVariant(value);
    const QSizeF pageSize = PageSizeFromMetrics(metrics);
    const QSize size = CaptureSizeForPage(pageSize);
    if (size.width() <= CaptureStripPixels || size.height() <= CaptureStripPixels) {
        fail(QStringLiteral("The page has nothing to capture"));
        return;
    }
    if (m_remeasured) {
        // The page reflowed at the capture width; its height there is the one
        // taken, longer or shorter. The root's scrolled size is never less than the
        // view, which now holds the strip too: a page no taller than the view may be
        // shorter than measured, but that cannot be seen, and it fits anyway.
        if (pageSize.height() > m_captureSize.height() && !m_viewHighTiles) {
            // The page grew with the taller view: it sizes parts by the view's height
            // (vh). In tiles as high as a window it keeps the layout a browser gives it.
            m_viewHighTiles = true;
            m_tileHeight = std::min(
                m_captureSize.height(), m_external ? m_savedSize.height() : LayoutHeight);
            runScript(CaptureScripts::unstickElements(), [this](const QVariant&) {
                m_view->resize(viewWidth(), m_tileHeight);
                whenPainted([this] { onResized(); });
            });
            return;
        }
        const bool exact = pageSize.height() > metrics.viewportHeight;
        if (pageSize.height() > m_captureSize.height()
            || (exact && size.height() < m_captureSize.height()))
            m_captureSize.setHeight(size.height());
        startTiles();
        return;
    }
    m_captureSize = size;
    if (size.width() > MaxCaptureSide || qint64(size.width()) * size.height() > MaxCapturePixels) {
        fail(QStringLiteral("The page is too large to capture (%1 x %2 pixels)")
                 .arg(size.width())
                 .arg(size.height()));
        return;
    }
    runScript(CaptureScripts::stripBodyFrame(), [this](const QVariant&) {
        m_tileHeight = std::min(m_captureSize.height(), TileHeightForWidth(m_captureSize.width()));
        auto resize = [this] {
            m_view->resize(viewWidth(), m_tileHeight);
            whenPainted([this] { onResized(); });
        };
        if (m_captureSize.height() > m_tileHeight)
            runScript(CaptureScripts::unstickElements(), [resize](const QVariant&) { resize(); });
        else
            resize();
    });
}

void PageCapturer::onResized()
{
    m_remeasured = true;
    runScript(CaptureScripts::measure(),
        [this](const QVariant& metrics) { PrepareCaptureLayout(metrics); });
}

void PageCapturer::startTiles()
{
    if (qint64(m_captureSize.width()) * m_captureSize.height() > MaxCapturePixels) {
        fail(QStringLiteral("The page is too large to capture (%1 x %2 pixels)")
                 .arg(m_captureSize.width())
                 .arg(m_captureSize.height()));
        return;
    }
    m_image = QImage(m_captureSize, QImage::Format_RGB32);
    if (m_image.isNull()) {
        fail(QStringLiteral("Not enough memory for a %1 x %2 image")
                 .arg(m_captureSize.width())
                 .arg(m_captureSize.height()));
        return;
    }
    m_image.fill(Qt::white);
    if (!m_recaptured)
        m_times.settle = m_stageClock.restart() / 1000.0;
    m_tileTops = TileTops(m_captureSize.height(), m_tileHeight);
    m_tileIndex = 0;
    captureTile();
}

void PageCapturer::captureTile()
{
    const int top = m_tileTops.at(m_tileIndex);
    auto scroll = [this, top] {
        m_marker = FrameMarkerColor(++m_markerSequence);
        runScript(CaptureScripts::scrollAndMark(top, m_marker), [this](const QVariant& scrollY) {
            m_tileScrollY = scrollY.toInt();
            m_grabTries = 0;
            whenPainted([this] { grabTile(); });
        });
    };
    // The first tile shows fixed elements where the page puts them; later tiles
    // would repeat them.
    if (m_tileIndex == 1)
        runScript(CaptureScripts::hideFixedElements(), [scroll](const QVariant&) { scroll(); });
    else
        scroll();
}

void PageCapturer::grabTile()
{
    const QSize expected(viewWidth(), m_tileHeight);
    const QImage grab = m_view->grab().toImage();
    const bool fullSize = !grab.isNull() && grab.size() == expected;
    if (!fullSize || !GrabCarriesMarker(grab, expected.width() - 1, m_marker)) {
        if (++m_grabTries < MaxGrabsPerTile) {
            whenPainted([this] { grabTile(); });
            return;
        }
        if (!fullSize) {
            fail(QStringLiteral("The page was not painted at its full size (%1 x %2 pixels)")
                     .arg(m_captureSize.width())
                     .arg(m_tileHeight));
            return;
        }
        fail(QStringLiteral("Could not get a current frame for part %1 of %2 of the page")
                 .arg(m_tileIndex + 1)
                 .arg(m_tileTops.size()));
        return;
    }
    const int top = m_tileTops.at(m_tileIndex);
    const TileRows rows = TileRowsInGrab(top, m_tileScrollY, m_tileHeight, m_captureSize.height());
    if (rows.rows > 0) {
        QPainter painter(&m_image);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(
            QPoint(0, top), grab, QRect(0, rows.grabTop, m_captureSize.width(), rows.rows));
    }
    if (++m_tileIndex < m_tileTops.size()) {
        captureTile();
        return;
    }
    // Scrolling through the page can change it (images that load late, content
    // added as it comes into view): its height now is the one that counts.
    runScript(
        CaptureScripts::measure(), [this](const QVariant& metrics) { checkFinalSize(metrics); });
}

void PageCapturer::checkFinalSize(const QVariant& value)
{
    const BodyMetrics metrics = BodyMetrics::fromVariant(value);
    const QSizeF pageSize = PageSizeFromMetrics(metrics);
    // A page no taller than the view reads as the view's height: it fits.
    if (pageSize.height() <= metrics.viewportHeight) {
        finish();
        return;
    }
    const int height = CaptureSizeForPage(pageSize).height();
    if (height == m_captureSize.height()) {
        finish();
        return;
    }
    if (!m_recaptured) {
        m_recaptured = true;
        m_captureSize.setHeight(height);
        const int tileHeight = m_viewHighTiles
            ? std::min(m_tileHeight, height)
            : std::min(height, TileHeightForWidth(m_captureSize.width()));
        // The first tile shows the fixed elements again, where the page puts them.
        runScript(CaptureScripts::showFixedElements(), [this, tileHeight](const QVariant&) {
            if (tileHeight == m_tileHeight) {
                startTiles();
                return;
            }
            m_tileHeight = tileHeight;
            m_view->resize(viewWidth(), m_tileHeight);
            whenPainted([this] { startTiles(); });
        });
        return;
    }
    // Still moving: what was captured stands, cut or padded to the final height.
    QImage image(m_captureSize.width(), height, QImage::Format_RGB32);
    if (image.isNull()) {
        fail(QStringLiteral("Not enough memory for a %1 x %2 image")
                 .arg(m_captureSize.width())
                 .arg(height));
        return;
    }
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPoint(0, 0), m_image);
    }
    m_image = image;
    const QString remark
        = QStringLiteral("the page kept changing its height while it was captured");
    m_note = m_note.isEmpty() ? remark : m_note + QStringLiteral("; ") + remark;
    finish();
}

void PageCapturer::finish()
{
    m_times.tiles = m_stageClock.elapsed() / 1000.0;
    m_loadTimer.stop();
    const QImage image = m_image;
    m_image = QImage();
    m_state = State::Idle;
    m_frames.cancel();
    restoreView();
    emit captured(image);
}

void PageCapturer::fail(const QString& reason)
{
    abort();
    m_image = QImage();
    emit failed(reason);
}

void PageCapturer::restoreView()
{
    if (!m_view)
        return;
    if (!m_external) {
        m_view->resize(LayoutWidth, LayoutHeight);
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
    // The frame waiter bounds this wait by the same limit and names its failure.
    m_loadTimer.stop();
    m_frames.wait(m_view, [this, then = std::move(then)] {
        m_loadTimer.start(WaitLimitMs(m_timeoutSeconds));
        then();
    });
}
