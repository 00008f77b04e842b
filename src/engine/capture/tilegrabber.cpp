#include "engine/capture/tilegrabber.h"

#include "engine/capture/capturegeometry.h"
#include "engine/capture/capturescripts.h"
#include "engine/capture/capturesteps.h"

#include <QPainter>

namespace {

// Grabs of one tile before the page fails for want of a current frame. Each one
// follows a fresh frame request, bounded by the frame waiter's own watchdog.
constexpr int MaxGrabsPerTile = 6;

} // namespace

TileGrabber::TileGrabber(CaptureSteps& steps, QObject* parent)
    : QObject(parent)
    , m_steps(steps)
{
}

void TileGrabber::start(const QSize& captureSize, int tileHeight, double scale)
{
    m_captureSize = captureSize;
    m_tileHeight = tileHeight;
    m_scale = scale;
    m_imageSize = QSize(scaled(captureSize.width(), scale), scaled(captureSize.height(), scale));
    m_tileTops = TileTops(m_captureSize.height(), m_tileHeight);
    m_tileIndex = 0;
    m_running = true;
    // A page of one tile is its grab: the image is made only for several.
    if (m_tileTops.size() > 1 && !makeImage())
        return;
    captureTile();
}

bool TileGrabber::makeImage()
{
    m_image = QImage(m_imageSize, QImage::Format_RGB32);
    if (m_image.isNull()) {
        clear();
        emit failed(tr("Not enough memory for a %1 x %2 image")
                        .arg(m_imageSize.width())
                        .arg(m_imageSize.height()));
        return false;
    }
    // Not filled now: the tiles cover almost every row, and writing a tall page's
    // hundreds of megabytes twice costs a tenth of its capture.
    m_rowFilled.assign(size_t(m_imageSize.height()), false);
    return true;
}

QImage TileGrabber::sharedRows(const QImage& grab, int top, const QSize& size)
{
    // The grab lives as long as the image that shows its rows; a change to that
    // image (none is made) would copy them first.
    auto* owner = new QImage(grab);
    return QImage(
        owner->constScanLine(top), size.width(), size.height(), owner->bytesPerLine(),
        owner->format(), [](void* image) { delete static_cast<QImage*>(image); }, owner);
}

void TileGrabber::captureTile()
{
    const int top = m_tileTops.at(m_tileIndex);
    auto scroll = [this, top] {
        m_marker = FrameMarkerColor(++m_markerSequence);
        m_steps.runScript(CaptureScripts::scrollAndMark(top, m_marker, m_captureSize.width()),
            [this](const QVariant& scrollY) {
                m_tileScrollY = scrollY.toInt();
                m_grabTries = 0;
                // The tile's marker proves the grab current either way; a stale
                // one is taken again after a frame.
                if (m_steps.grabDrawsPendingChanges())
                    grabTile();
                else
                    m_steps.whenPainted([this] { grabTile(); });
            });
    };
    // The first tile shows fixed elements where the page puts them; later tiles
    // would repeat them.
    if (m_tileIndex == 1)
        m_steps.runScript(
            CaptureScripts::hideFixedElements(), [scroll](const QVariant&) { scroll(); });
    else
        scroll();
}

void TileGrabber::grabTile()
{
    const int sequence = m_markerSequence;
    // The area the tile shows, the marker's column included: an engine that lays the
    // page out at the window's width draws it beyond that width.
    const QRect area(0, m_tileScrollY, m_captureSize.width() + 1, m_tileHeight);
    m_steps.grabArea(area, [this, sequence](const QImage& grab) {
        // A grab that answers after its pass moved on (or ended) is not this tile's.
        if (sequence == m_markerSequence && m_running)
            checkGrab(grab);
    });
}

void TileGrabber::checkGrab(const QImage& grab)
{
    // The view is one column wider than the capture: that column holds the marker.
    const QSize expected(scaled(m_captureSize.width() + 1, m_scale), scaled(m_tileHeight, m_scale));
    const bool fullSize = !grab.isNull() && grab.size() == expected;
    if (!fullSize || !GrabCarriesMarker(grab, expected.width() - 1, m_marker)) {
        if (++m_grabTries < MaxGrabsPerTile) {
            m_steps.whenPainted([this] { grabTile(); });
            return;
        }
        if (!fullSize) {
            emit failed(tr("The page was not painted at its full size (%1 x %2 pixels)")
                            .arg(m_captureSize.width())
                            .arg(m_tileHeight));
            return;
        }
        emit failed(tr("Could not get a current frame for part %1 of %2 of the page")
                        .arg(m_tileIndex + 1)
                        .arg(m_tileTops.size()));
        return;
    }
    const TileCopy copy
        = TileCopyFromGrab(m_tileTops.at(m_tileIndex), m_tileScrollY, m_tileHeight, m_captureSize);
    if (!copy.source.isEmpty()) {
        // In image pixels, each edge rounded on its own: the rows of one tile end
        // where the next one's begin.
        const int sourceTop = scaled(copy.source.top(), m_scale);
        const int rows = scaled(copy.source.top() + copy.source.height(), m_scale) - sourceTop;
        const int targetTop = scaled(copy.target.y(), m_scale);
        const int height = std::min(rows, m_imageSize.height() - targetTop);
        // The one tile of a page holds its whole image: its rows are the image,
        // without a copy (half the memory of a tall page, and the time of a copy).
        if (m_tileTops.size() == 1 && targetTop == 0 && height == m_imageSize.height()
            && grab.format() == QImage::Format_RGB32) {
            const QImage image = sharedRows(grab, sourceTop, m_imageSize);
            clear();
            emit finished(image);
            return;
        }
        if (m_image.isNull() && !makeImage())
            return;
        const QRect source(0, sourceTop, m_image.width(), height);
        QPainter painter(&m_image);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPoint(0, targetTop), grab, source);
        for (int y = targetTop; y < targetTop + height; ++y)
            m_rowFilled[size_t(y)] = true;
    }
    if (++m_tileIndex < m_tileTops.size()) {
        captureTile();
        return;
    }
    if (m_image.isNull() && !makeImage())
        return;
    whitenUnfilledRows();
    const QImage image = m_image;
    clear();
    emit finished(image);
}

void TileGrabber::whitenUnfilledRows()
{
    QPainter painter(&m_image);
    const int height = int(m_rowFilled.size());
    for (int top = 0; top < height;) {
        if (m_rowFilled[size_t(top)]) {
            ++top;
            continue;
        }
        int bottom = top;
        while (bottom + 1 < height && !m_rowFilled[size_t(bottom + 1)])
            ++bottom;
        painter.fillRect(0, top, m_image.width(), bottom - top + 1, Qt::white);
        top = bottom + 1;
    }
}

QImage TileGrabber::toHeight(const QImage& image, int height)
{
    QImage resized(image.width(), height, QImage::Format_RGB32);
    if (resized.isNull())
        return resized;
    resized.fill(Qt::white);
    {
        QPainter painter(&resized);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPoint(0, 0), image);
    }
    return resized;
}
