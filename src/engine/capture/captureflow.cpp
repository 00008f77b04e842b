#include "engine/capture/captureflow.h"

#include "core/imaging/imagesizelimits.h"
#include "engine/capture/capturegeometry.h"
#include "engine/capture/capturescripts.h"
#include "engine/capture/capturesteps.h"
#include "engine/capture/waitlimits.h"

#include <algorithm>
#include <cmath>

namespace {

// How often a page is asked whether its lazy images and frames have arrived.
constexpr int ContentPollMs = 50;

} // namespace

CaptureFlow::CaptureFlow(CaptureSteps& steps, QObject* parent)
    : QObject(parent)
    , m_steps(steps)
    , m_grabber(steps)
{
    connect(&m_grabber, &TileGrabber::failed, this, &CaptureFlow::fail);
    connect(&m_grabber, &TileGrabber::finished, this, [this](const QImage& image) {
        m_image = image;
        // Scrolling through the page can change it (images that load late, content
        // added as it comes into view): its height now is the one that counts.
        m_steps.runScript(CaptureScripts::measure(),
            [this](const QVariant& metrics) { checkFinalSize(metrics); });
    });
    m_contentPoll.setSingleShot(true);
    m_contentPoll.setInterval(ContentPollMs);
    connect(&m_contentPoll, &QTimer::timeout, this, &CaptureFlow::waitForLazyContent);
    m_selectorPoll.setSingleShot(true);
    m_selectorPoll.setInterval(ContentPollMs * 2);
    connect(&m_selectorPoll, &QTimer::timeout, this, &CaptureFlow::waitForSelector);
    m_extraWait.setSingleShot(true);
    connect(&m_extraWait, &QTimer::timeout, this, &CaptureFlow::waitExtraTime);
    m_quietTimer.setSingleShot(true);
    connect(&m_quietTimer, &QTimer::timeout, this, &CaptureFlow::finishWhenQuiet);
    m_pageTimer.setSingleShot(true);
    // A coarse timer may end a bound of seconds a few hundred ms early.
    m_pageTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pageTimer, &QTimer::timeout, this, [this] {
        // Each step of the capture answers late (a page that keeps its renderer
        // busy) or not at all.
        fail(
            tr("Timed out after %1 seconds while the page was captured").arg(m_pageTimeoutSeconds));
    });
    m_settleTimer.setSingleShot(true);
    connect(&m_settleTimer, &QTimer::timeout, this,
        [this] { m_steps.whenPainted([this] { settle(); }); });
}

QString CaptureFlow::remark() const
{
    if (m_cutRemark.isEmpty() || m_remark.isEmpty())
        return m_remark + m_cutRemark;
    return m_cutRemark + QStringLiteral("; ") + m_remark;
}

void CaptureFlow::boundPage(const QDeadlineTimer& end, int timeoutSeconds)
{
    m_pageEnd = end;
    m_pageTimeoutSeconds = timeoutSeconds;
}

void CaptureFlow::addRemark(const QString& remark)
{
    m_remark = m_remark.isEmpty() ? remark : m_remark + QStringLiteral("; ") + remark;
}

void CaptureFlow::start(int lazyWaitSeconds, int windowHeight, const CaptureOptions& options)
{
    cancel();
    m_running = true;
    // The extra wait is the user's own, beyond the page's time-out.
    m_end = m_pageEnd;
    if (!m_end.isForever())
        m_end += std::max(options.extraWaitMs, 0);
    if (!m_end.isForever()) {
        // The capture as it stands needs a few steps of its own, also for a page
        // whose load used up the time.
        // Counted from the end even when it has passed (remainingTime() stops at 0).
        const qint64 untilEndMs = m_end.deadline() - QDeadlineTimer::current().deadline();
        const qint64 leftMs
            = std::max<qint64>(untilEndMs + WaitMarginMs, CaptureFlow::MinCaptureMs);
        m_pageTimer.start(int(std::min<qint64>(leftMs, INT_MAX)));
    }
    m_options = options;
    m_settleSeconds = std::max(options.settleSeconds, 0);
    m_scale = options.scale;
    m_viewportOnly
        = options.viewportOnly ? QSize(options.viewportWidth, options.viewportHeight) : QSize();
    // The bound counts from the end of the load, the lazy content's wait included.
    m_settleDeadline = withinPage(QDeadlineTimer(std::chrono::seconds(m_settleSeconds)));
    m_lastShape.clear();
    m_windowHeight = windowHeight;
    m_layout = Layout::Measuring;
    m_remark.clear();
    m_cutRemark.clear();
    m_settle = m_tiles = 0;
    m_clock.start();
    m_steps.runScript(CaptureScripts::loadLazyContent(), [this, lazyWaitSeconds](const QVariant&) {
        m_contentDeadline = withinPage(QDeadlineTimer(std::chrono::seconds(lazyWaitSeconds)));
        waitForLazyContent();
    });
}

void CaptureFlow::cancel()
{
    m_running = false;
    m_pageTimer.stop();
    m_contentPoll.stop();
    m_settleTimer.stop();
    m_quietTimer.stop();
    m_selectorPoll.stop();
    m_extraWait.stop();
    m_recapture = false;
    m_image = QImage();
    m_elementBox = QRect();
    m_grabber.clear();
}

void CaptureFlow::waitForLazyContent()
{
    m_steps.runScript(CaptureScripts::pendingContent(), [this](const QVariant& pending) {
        if (pending.toInt() > 0 && !m_contentDeadline.hasExpired()) {
            m_contentPoll.start();
            return;
        }
        waitForSelector();
    });
}

void CaptureFlow::waitForSelector()
{
    const auto next = [this] {
        if (m_settleSeconds > 0)
            settle();
        else
            afterSettle();
    };
    if (m_options.waitFor.isEmpty()) {
        next();
        return;
    }
    // The same time as the lazy content: the page's own time-out.
    m_steps.runScript(
        CaptureScripts::hasElement(m_options.waitFor), [this, next](const QVariant& found) {
            if (found.toBool()) {
                next();
                return;
            }
            if (!m_contentDeadline.hasExpired()) {
                m_selectorPoll.start();
                return;
            }
            fail(tr("No element matching '%1' appeared on the page").arg(m_options.waitFor));
        });
}

void CaptureFlow::waitExtraTime()
{
    if (m_extraWaitLeft > 0 && m_end.hasExpired()) {
        m_extraWaitLeft = 0;
        addRemark(tr("the wait before the capture was cut short at the page's time-out"));
    }
    if (m_extraWaitLeft <= 0) {
        measure();
        return;
    }
    // In steps of a second, each ended by a question to the page: the engine's
    // watchdog, which allows each step the page's time-out, sees a page that still
    // answers however long the wait.
    const int step = int(
        std::clamp<qint64>(std::min<qint64>(m_extraWaitLeft, m_end.remainingTime()), 0, 1000));
    m_extraWaitLeft -= step;
    m_steps.runScript(
        QStringLiteral("true"), [this, step](const QVariant&) { m_extraWait.start(step); });
}

void CaptureFlow::afterSettle()
{
    const auto wait = [this] {
        m_extraWaitLeft = m_options.extraWaitMs;
        waitExtraTime();
    };
    if (m_options.hide.isEmpty() && !m_options.hideCookieBanners) {
        wait();
        return;
    }
    if (m_options.hideCookieBanners && !m_options.consentListProblem.isEmpty())
        m_remark
            = m_options.consentListProblem + tr("; only banners found by their text were hidden");
    m_steps.runScript(CaptureScripts::hideElements(
                          m_options.hide, m_options.consentSelectors, m_options.hideCookieBanners),
        [wait](const QVariant&) { wait(); });
}

void CaptureFlow::settle()
{
    m_steps.runScript(CaptureScripts::stillnessProbe(),
        [this](const QVariant& probe) { onStillnessProbe(probe); });
}

void CaptureFlow::onStillnessProbe(const QVariant& value)
{
    const QVariantMap probe = value.toMap();
    // A page where the probe cannot run (its scripts broke the document) gives no
    // sign of movement: it counts as still rather than waiting for the bound.
    const QString shape = probe.value(QStringLiteral("shape"), QStringLiteral("?")).toString();
    const bool fontsLoaded = probe.value(QStringLiteral("fonts"), true).toBool();
    const bool layoutStill = shape == m_lastShape;
    m_lastShape = shape;
    const int quietMs = m_steps.networkQuietMs();
    // Nothing in flight is enough to start: the rest of the quiet time runs while the
    // page is captured (see finishWhenQuiet).
    if (fontsLoaded && layoutStill && quietMs >= 0) {
        m_requestsAtCapture = m_steps.requestsStarted();
        afterSettle();
        return;
    }
    if (m_settleDeadline.hasExpired()) {
        if (m_end.hasExpired())
            m_remark = tr("the page was still changing at its time-out of %1 seconds; captured "
                          "as it stood")
                           .arg(m_pageTimeoutSeconds);
        else
            m_remark = tr("the page was still changing after %1 seconds; captured as it stood")
                           .arg(m_settleSeconds);
        m_requestsAtCapture = m_steps.requestsStarted();
        afterSettle();
        return;
    }
    // The next look comes a frame later at the earliest (the timer's end waits for
    // one); while a request is in flight, a little later.
    const qint64 waitMs = (!fontsLoaded || !layoutStill) ? 0 : NetworkQuietMs / 5;
    m_settleTimer.start(int(std::min(waitMs, m_settleDeadline.remainingTime())));
}

void CaptureFlow::captureFirstScreen()
{
    m_steps.runScript(CaptureScripts::stripBodyFrame(), [this](const QVariant&) {
        m_captureSize = m_viewportOnly;
        resizeForTiles(m_viewportOnly.height(), [this] { startTiles(); });
    });
}

void CaptureFlow::measure()
{
    if (m_viewportOnly.isValid()) {
        captureFirstScreen();
        return;
    }
    m_steps.runScript(CaptureScripts::measure(),
        [this](const QVariant& metrics) { prepareCaptureLayout(metrics); });
}

void CaptureFlow::prepareCaptureLayout(const QVariant& value)
{
    const BodyMetrics metrics = metricsOf(value);
    const QSizeF pageSize = PageSizeFromMetrics(metrics);
    const QSize size = CaptureSizeForPage(pageSize);
    if (size.width() <= CaptureStripPixels || size.height() <= CaptureStripPixels) {
        fail(tr("The page has nothing to capture"));
        return;
    }
    switch (m_layout) {
    case Layout::Measuring:
        m_captureSize = size;
        if (refuseSize(QSize(TileGrabber::scaled(size.width(), m_scale),
                TileGrabber::scaled(size.height(), m_scale))))
            return;
        m_steps.runScript(CaptureScripts::stripBodyFrame(), [this](const QVariant&) {
            m_layout = Layout::WindowHigh;
            resizeForTiles(std::min(m_captureSize.height(), m_windowHeight), [this] { measure(); });
        });
        return;
    case Layout::WindowHigh: {
        // The page reflowed at the capture width; its height there is the one taken.
        m_captureSize.setHeight(ReflowedCaptureHeight(metrics, m_captureSize.height()));
        const int tileHeight = m_steps.tileHeightFor(m_captureSize);
        // The view shows the first screen a visitor sees: fixed headers and footers
        // are pinned there before the view grows to the height of a tile.
        m_steps.runScript(CaptureScripts::pinFixedElements(), [this, tileHeight](const QVariant&) {
            if (tileHeight == m_tileHeight) {
                startTiles();
                return;
            }
            m_steps.runScript(
                CaptureScripts::unstickElements(), [this, tileHeight](const QVariant&) {
                    m_layout = Layout::CaptureWidth;
                    resizeForTiles(tileHeight, [this] { measure(); });
                });
        });
        return;
    }
    case Layout::CaptureWidth:
        if (pageSize.height() > m_captureSize.height()) {
            // The page grew with the taller view: it sizes parts by the view's height
            // (vh). In tiles as high as a window it keeps the layout a browser gives it.
            m_layout = Layout::ViewHighTiles;
            resizeForTiles(std::min(m_captureSize.height(), m_windowHeight), [this] { measure(); });
            return;
        }
        break;
    case Layout::ViewHighTiles:
    case Layout::SecondPass:
        break;
    }
    m_captureSize.setHeight(ReflowedCaptureHeight(metrics, m_captureSize.height()));
    startTiles();
}

void CaptureFlow::resizeForTiles(int tileHeight, std::function<void()> then)
{
    m_tileHeight = tileHeight;
    // The view is one column wider than the capture: that column holds the marker.
    m_steps.resizeView(QSize(m_captureSize.width() + 1, m_tileHeight));
    m_steps.whenPainted(std::move(then));
}

void CaptureFlow::startTiles()
{
    if (m_options.selector.isEmpty()) {
        grabTiles(m_captureSize.height());
        return;
    }
    // Measured in the layout of the capture, once per pass: the page's rows below
    // the element are not needed.
    m_steps.runScript(CaptureScripts::elementBox(m_options.selector), [this](const QVariant& box) {
        if (const QString problem = takeElementBox(box); !problem.isEmpty()) {
            fail(problem);
            return;
        }
        grabTiles(std::min(m_captureSize.height(), m_elementBox.bottom() + 1));
    });
}

QString CaptureFlow::takeElementBox(const QVariant& value)
{
    const QVariantMap box = value.toMap();
    const QString selector = m_options.selector;
    if (box.value(QStringLiteral("invalid")).toBool())
        return tr("'%1' is not a valid CSS selector").arg(selector);
    if (!box.value(QStringLiteral("found")).toBool())
        return tr("No element matching '%1' on the page").arg(selector);
    const double x = box.value(QStringLiteral("x")).toDouble();
    const double y = box.value(QStringLiteral("y")).toDouble();
    const double w = box.value(QStringLiteral("w")).toDouble();
    const double h = box.value(QStringLiteral("h")).toDouble();
    if (!(w > 0 && h > 0))
        return tr("The element matching '%1' is not shown on the page").arg(selector);
    // Whole pixels that hold the whole box; clamped first, so that absurd numbers
    // a page reports never reach an int.
    const double limit = 1e8;
    const auto edge = [limit](double v) { return std::clamp(v, -limit, limit); };
    const QRect outer(QPoint(int(std::floor(edge(x))), int(std::floor(edge(y)))),
        QPoint(int(std::ceil(edge(x + w))) - 1, int(std::ceil(edge(y + h))) - 1));
    m_elementBox = outer.intersected(QRect(QPoint(0, 0), m_captureSize));
    if (m_elementBox.isEmpty())
        return tr("The element matching '%1' is outside the captured part of the page")
            .arg(selector);
    return QString();
}

void CaptureFlow::grabTiles(int height)
{
    const QSize size(m_captureSize.width(), height);
    const QSize imageSize(
        TileGrabber::scaled(size.width(), m_scale), TileGrabber::scaled(size.height(), m_scale));
    if (refuseSize(imageSize))
        return;
    if (m_layout != Layout::SecondPass)
        m_settle = m_clock.restart() / 1000.0;
    m_grabber.start(size, m_tileHeight, m_scale);
}

void CaptureFlow::checkFinalSize(const QVariant& value)
{
    const int height = FinalCaptureHeight(metricsOf(value), m_captureSize.height());
    // The first screen is the window's size whatever the page does below it.
    if ((height == m_captureSize.height() || m_viewportOnly.isValid()) && !m_recapture) {
        finishWhenQuiet();
        return;
    }
    m_recapture = false;
    if (m_end.hasExpired() && height == m_captureSize.height()) {
        finish();
        return;
    }
    // Past the page's time-out there is no second pass: the picture stands.
    if (m_layout != Layout::SecondPass && !m_end.hasExpired()) {
        const int tileHeight = m_layout == Layout::ViewHighTiles
            ? std::min(m_tileHeight, height)
            : m_steps.tileHeightFor(QSize(m_captureSize.width(), height));
        m_layout = Layout::SecondPass;
        m_captureSize.setHeight(height);
        // The first tile shows the fixed elements again, where the page puts them.
        m_steps.runScript(CaptureScripts::showFixedElements(), [this, tileHeight](const QVariant&) {
            if (tileHeight == m_tileHeight)
                startTiles();
            else
                resizeForTiles(tileHeight, [this] { startTiles(); });
        });
        return;
    }
    // Still moving: what was captured stands, cut to the final height. A page that
    // grew again (an endless feed) ends where the captured content ends: the rows
    // below were never drawn, and blank ones would be all they showed.
    const QImage image = TileGrabber::toHeight(
        m_image, std::min(m_image.height(), TileGrabber::scaled(height, m_scale)));
    if (image.isNull()) {
        fail(tr("Not enough memory for a %1 x %2 image")
                 .arg(m_image.width())
                 .arg(TileGrabber::scaled(height, m_scale)));
        return;
    }
    m_image = image;
    addRemark(tr("the page kept changing its height while it was captured"));
    finish();
}

void CaptureFlow::finishWhenQuiet()
{
    // The page was captured as soon as nothing was in flight; it counts as taken
    // after a quiet network once no request has started since and the network has
    // been quiet for NetworkQuietMs. The wait and the capture overlap.
    if (m_settleSeconds == 0 || m_settleDeadline.hasExpired()) {
        finish();
        return;
    }
    if (m_steps.requestsStarted() != m_requestsAtCapture) {
        // The page asked for more while it was captured: it is captured once more
        // when the network is quiet, once.
        if (m_layout == Layout::SecondPass || m_viewportOnly.isValid()) {
            finish();
            return;
        }
        const int quietMs = m_steps.networkQuietMs();
        if (quietMs >= NetworkQuietMs) {
            m_recapture = true;
            m_requestsAtCapture = m_steps.requestsStarted();
            m_steps.runScript(CaptureScripts::measure(),
                [this](const QVariant& metrics) { checkFinalSize(metrics); });
            return;
        }
        m_quietTimer.start(quietMs < 0 ? NetworkQuietMs / 5 : NetworkQuietMs - quietMs);
        return;
    }
    const int quietMs = m_steps.networkQuietMs();
    if (quietMs >= NetworkQuietMs) {
        finish();
        return;
    }
    m_quietTimer.start(NetworkQuietMs - std::max(quietMs, 0));
}

void CaptureFlow::finish()
{
    m_tiles = m_clock.elapsed() / 1000.0;
    if (!m_elementBox.isEmpty()) {
        // In image pixels, each edge rounded as the tiles round theirs.
        const QRect box(QPoint(TileGrabber::scaled(m_elementBox.left(), m_scale),
                            TileGrabber::scaled(m_elementBox.top(), m_scale)),
            QPoint(TileGrabber::scaled(m_elementBox.right() + 1, m_scale) - 1,
                TileGrabber::scaled(m_elementBox.bottom() + 1, m_scale) - 1));
        m_image = m_image.copy(box.intersected(m_image.rect()));
        if (m_image.isNull()) {
            fail(tr("Not enough memory for a %1 x %2 image").arg(box.width()).arg(box.height()));
            return;
        }
    }
    const QImage image = m_image;
    m_image = QImage();
    m_running = false;
    emit captured(image);
}

void CaptureFlow::fail(const QString& reason)
{
    if (!m_running)
        return;
    cancel();
    emit failed(reason);
}

bool CaptureFlow::refuseSize(const QSize& imageSize)
{
    // Before the first tile: a picture its format cannot hold would otherwise be
    // captured whole, only for its encoder to refuse it.
    const QString problem = ImageSizeProblem(imageSize, m_pictureFormat);
    if (problem.isEmpty())
        return false;
    fail(problem);
    return true;
}

BodyMetrics CaptureFlow::metricsOf(const QVariant& value)
{
    BodyMetrics metrics = BodyMetrics::fromVariant(value);
    const QSize size = CaptureSizeForPage(PageSizeFromMetrics(metrics));
    if (!m_cutTallPages || CaptureFits(size))
        return metrics;
    // The page is measured as if it ended there; every later step then takes
    // it as that tall.
    int height = CutPageHeight;
    while (height > 1000 && !CaptureFits(QSize(size.width(), height)))
        height /= 2;
    for (double* h : { &metrics.scrollHeight, &metrics.offsetHeight, &metrics.clientHeight,
             &metrics.documentHeight })
        *h = std::min(*h, double(height));
    // The text and the PDF are made from the page itself and are whole: only the
    // thumbnail shows the cut picture, and a remark would say the output is cut.
    if (m_pictureFormat != OutputFormat::Txt && m_pictureFormat != OutputFormat::Pdf)
        m_cutRemark
            = tr("the page is too tall for one picture: the picture holds its first %1 pixels")
                  .arg(height);
    return metrics;
}
