#include "captureflow.h"

#include "capturegeometry.h"
#include "capturescripts.h"
#include "capturesteps.h"

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
}

QString CaptureFlow::remark() const
{
    if (m_cutRemark.isEmpty() || m_remark.isEmpty())
        return m_remark + m_cutRemark;
    return m_cutRemark + QStringLiteral("; ") + m_remark;
}

void CaptureFlow::start(int lazyWaitSeconds, int windowHeight)
{
    cancel();
    m_running = true;
    m_windowHeight = windowHeight;
    m_layout = Layout::Measuring;
    m_remark.clear();
    m_cutRemark.clear();
    m_settle = m_tiles = 0;
    m_clock.start();
    m_steps.runScript(CaptureScripts::loadLazyContent(), [this, lazyWaitSeconds](const QVariant&) {
        m_contentDeadline = QDeadlineTimer(std::chrono::seconds(lazyWaitSeconds));
        waitForLazyContent();
    });
}

void CaptureFlow::cancel()
{
    m_running = false;
    m_contentPoll.stop();
    m_image = QImage();
    m_grabber.clear();
}

void CaptureFlow::waitForLazyContent()
{
    m_steps.runScript(CaptureScripts::pendingContent(), [this](const QVariant& pending) {
        if (pending.toInt() > 0 && !m_contentDeadline.hasExpired()) {
            m_contentPoll.start();
            return;
        }
        measure();
    });
}

void CaptureFlow::measure()
{
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
        if (!CaptureFits(size)) {
            failTooLarge(size);
            return;
        }
        m_steps.runScript(CaptureScripts::stripBodyFrame(), [this](const QVariant&) {
            m_layout = Layout::WindowHigh;
            resizeForTiles(std::min(m_captureSize.height(), m_windowHeight), [this] { measure(); });
        });
        return;
    case Layout::WindowHigh: {
        // The page reflowed at the capture width; its height there is the one taken.
        m_captureSize.setHeight(ReflowedCaptureHeight(metrics, m_captureSize.height()));
        const int tileHeight = m_steps.tileHeightFor(m_captureSize);
        if (tileHeight == m_tileHeight) {
            startTiles();
            return;
        }
        m_steps.runScript(CaptureScripts::unstickElements(), [this, tileHeight](const QVariant&) {
            m_layout = Layout::CaptureWidth;
            resizeForTiles(tileHeight, [this] { measure(); });
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
    if (!CaptureFits(m_captureSize)) {
        failTooLarge(m_captureSize);
        return;
    }
    if (m_layout != Layout::SecondPass)
        m_settle = m_clock.restart() / 1000.0;
    m_grabber.start(m_captureSize, m_tileHeight);
}

void CaptureFlow::checkFinalSize(const QVariant& value)
{
    const int height = FinalCaptureHeight(metricsOf(value), m_captureSize.height());
    if (height == m_captureSize.height()) {
        finish();
        return;
    }
    if (m_layout != Layout::SecondPass) {
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
    // Still moving: what was captured stands, cut or padded to the final height.
    const QImage image = TileGrabber::toHeight(m_image, height);
    if (image.isNull()) {
        fail(tr("Not enough memory for a %1 x %2 image").arg(m_captureSize.width()).arg(height));
        return;
    }
    m_image = image;
    m_remark = tr("the page kept changing its height while it was captured");
    finish();
}

void CaptureFlow::finish()
{
    m_tiles = m_clock.elapsed() / 1000.0;
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

void CaptureFlow::failTooLarge(const QSize& size)
{
    fail(tr("The page is too large to capture (%1 x %2 pixels)")
             .arg(size.width())
             .arg(size.height()));
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
    m_cutRemark = tr("the page is too tall for one picture: the picture holds its first %1 pixels")
                      .arg(height);
    return metrics;
}
