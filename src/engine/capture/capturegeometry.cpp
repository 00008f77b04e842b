#include "engine/capture/capturegeometry.h"

#include "core/imaging/imagesizelimits.h"

#include <QVariantMap>
#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// A view much taller than this renders only its top part (measured with 40000 px).
constexpr int MaxTileHeight = 4000;
constexpr int MinTileHeight = 1000;
// Pixels per tile, so that very wide pages do not make huge compositor surfaces.
constexpr double MaxTileArea = 16.0e6;

double number(const QVariantMap& map, const char* key)
{
    const double value = map.value(QLatin1String(key)).toDouble();
    return std::isfinite(value) ? value : 0.0;
}

} // namespace

BodyMetrics BodyMetrics::fromVariant(const QVariant& value)
{
    const QVariantMap map = value.toMap();
    BodyMetrics m;
    m.hasBody = map.value(QStringLiteral("hasBody")).toBool();
    m.quirksMode = map.value(QStringLiteral("quirks")).toBool();
    m.scrollWidth = number(map, "sw");
    m.offsetWidth = number(map, "ow");
    m.clientWidth = number(map, "cw");
    m.scrollHeight = number(map, "sh");
    m.offsetHeight = number(map, "oh");
    m.clientHeight = number(map, "ch");
    m.documentWidth = number(map, "docW");
    m.documentHeight = number(map, "docH");
    m.viewportWidth = number(map, "viewW");
    m.viewportHeight = number(map, "viewH");
    return m;
}

QSizeF PageSizeFromMetrics(const BodyMetrics& m)
{
    if (!m.hasBody) {
        const double w = m.documentWidth > 0 ? m.documentWidth : m.viewportWidth;
        const double h = m.documentHeight > 0 ? m.documentHeight : m.viewportHeight;
        return QSizeF(w, h);
    }
    if (m.quirksMode) {
        return QSizeF(
            std::max(m.documentWidth, m.scrollWidth), std::max(m.documentHeight, m.scrollHeight));
    }
    const double frameWidth = std::max(0.0, m.offsetWidth - m.clientWidth);
    const double frameHeight = std::max(0.0, m.offsetHeight - m.clientHeight);
    return QSizeF(std::max(m.documentWidth, m.scrollWidth + frameWidth),
        std::max(m.documentHeight, m.scrollHeight + frameHeight));
}

QSize CaptureSizeForPage(const QSizeF& pageSize)
{
    // 200 twips are 13 1/3 pixels; the surface holds whole pixels only.
    const double strip = 200.0 / 15.0;
    // A page reports whatever its scripts make of it (3e9, infinity, NaN): the size
    // is clamped before it becomes a whole number, so an absurd page is simply too
    // large to capture instead of a negative or undefined size.
    auto side = [strip](double length) {
        if (!std::isfinite(length) || length < 0)
            length = std::isnan(length) || length < 0 ? 0.0 : double(INT_MAX);
        return int(std::min(std::floor(length + strip), double(INT_MAX)));
    };
    return QSize(side(pageSize.width()), side(pageSize.height()));
}

bool CaptureFits(const QSize& captureSize)
{
    return CaptureSizeProblem(captureSize).isEmpty();
}

int ReflowedCaptureHeight(const BodyMetrics& metrics, int measuredHeight)
{
    const QSizeF pageSize = PageSizeFromMetrics(metrics);
    const int height = CaptureSizeForPage(pageSize).height();
    const bool exact = pageSize.height() > metrics.viewportHeight;
    if (pageSize.height() > measuredHeight || (exact && height < measuredHeight))
        return height;
    return measuredHeight;
}

int FinalCaptureHeight(const BodyMetrics& metrics, int capturedHeight)
{
    const QSizeF pageSize = PageSizeFromMetrics(metrics);
    if (pageSize.height() <= metrics.viewportHeight)
        return capturedHeight;
    return CaptureSizeForPage(pageSize).height();
}

QList<int> TileTops(int totalHeight, int tileHeight)
{
    QList<int> tops;
    if (totalHeight <= 0 || tileHeight <= 0)
        return tops;
    for (int top = 0; top < totalHeight; top += tileHeight)
        tops.append(top);
    return tops;
}

int TileHeightForWidth(int width)
{
    if (width <= 0)
        return MaxTileHeight;
    const int byArea = int(MaxTileArea / width);
    return std::clamp(byArea, MinTileHeight, MaxTileHeight);
}

int TileHeightForCapture(const QSize& captureSize)
{
    return std::min(captureSize.height(), TileHeightForWidth(captureSize.width()));
}

QRgb FrameMarkerColor(int sequence)
{
    // Five bits a channel, each level eight apart and never pure black or white.
    const unsigned n = unsigned(sequence) & 0x7fff;
    auto level = [](unsigned bits) { return int(bits * 8 + 4); };
    return qRgb(level(n & 31), level((n >> 5) & 31), level((n >> 10) & 31));
}

bool GrabCarriesMarker(const QImage& grab, int markerColumn, QRgb colour)
{
    if (grab.isNull() || markerColumn < 0 || markerColumn >= grab.width() || grab.height() < 1)
        return false;
    auto close = [](int a, int b) { return std::abs(a - b) <= 3; };
    // Rows spread over the whole height, the last one included: a frame drawn at
    // a smaller size does not reach down that far.
    constexpr int Samples = 9;
    for (int i = 0; i < Samples; ++i) {
        const int y = int(qint64(grab.height() - 1) * i / (Samples - 1));
        const QRgb pixel = grab.pixel(markerColumn, y);
        if (!close(qRed(pixel), qRed(colour)) || !close(qGreen(pixel), qGreen(colour))
            || !close(qBlue(pixel), qBlue(colour)))
            return false;
    }
    return true;
}

TileRows TileRowsInGrab(int top, int scrollY, int tileHeight, int captureHeight)
{
    const int rows = std::min(tileHeight, captureHeight - top);
    const int offset = top - scrollY;
    if (offset < 0 || rows <= 0)
        return {};
    return { offset, std::max(0, std::min(rows, tileHeight - offset)) };
}

TileCopy TileCopyFromGrab(int top, int scrollY, int tileHeight, const QSize& captureSize)
{
    const TileRows rows = TileRowsInGrab(top, scrollY, tileHeight, captureSize.height());
    return { QRect(0, rows.grabTop, captureSize.width(), rows.rows), QPoint(0, top) };
}
