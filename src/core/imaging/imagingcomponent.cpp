#include "core/imaging/imagingcomponent.h"

#include "core/files/regularfile.h"
#include "core/imaging/imageencoder.h"

#include <QColor>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImageReader>
#include <QPainter>
#include <cmath>

namespace {

// Qt refuses to decode images above 128 MB by default, which a captured page
// of 1280 x 40000 pixels already exceeds. Pages are our own captures, so the
// limit only guards against absurd files.
constexpr int PageAllocationLimitMb = 4096;
constexpr int DefaultFontPoints = 12;
// JPEG files written by saveFile.
constexpr int JpegQuality = 85;
// Pages are captured from a 96 dots-per-inch screen.
constexpr double PixelsPerPoint = 96.0 / 72.0;

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

QColor fromColorReference(quint32 ref)
{
    return QColor(int(ref & 0xff), int((ref >> 8) & 0xff), int((ref >> 16) & 0xff));
}

QPointF cornerOf(const QRectF& box, StampCorner corner)
{
    switch (corner) {
    case StampCorner::TopLeft:
        return box.topLeft();
    case StampCorner::TopRight:
        return box.topRight();
    case StampCorner::BottomLeft:
        return box.bottomLeft();
    case StampCorner::BottomRight:
        return box.bottomRight();
    }
    return box.topLeft();
}

int channelDistance(int a, int b)
{
    return a > b ? a - b : b - a;
}

} // namespace

bool ImagingComponent::loadFile(const QString& path, QString* error)
{
    const int limit = QImageReader::allocationLimit();
    if (limit != 0 && limit < PageAllocationLimitMb)
        QImageReader::setAllocationLimit(PageAllocationLimitMb);
    QFile file;
    QString openError;
    if (!OpenRegularFile(path, &file, &openError))
        return fail(error, QStringLiteral("Cannot load picture \"%1\": %2").arg(path, openError));
    QImageReader reader(&file);
    QImage loaded = reader.read();
    if (loaded.isNull())
        return fail(error,
            QStringLiteral("Cannot load picture \"%1\": %2").arg(path, reader.errorString()));
    adoptImage(std::move(loaded));
    return true;
}

void ImagingComponent::setImage(const QImage& image)
{
    adoptImage(image);
}

void ImagingComponent::adoptImage(QImage image)
{
    // Painting needs a 32-bit layout; indexed GIFs and 24-bit pictures are
    // converted once here rather than on every draw.
    const auto format = image.format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32
        && format != QImage::Format_ARGB32_Premultiplied && !image.isNull())
        image.convertTo(
            image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    m_image = std::move(image);
    m_loadedSize = m_image.size();
}

bool ImagingComponent::saveFile(const QString& path, QString* error) const
{
    QString extension = QFileInfo(path).suffix().toLower();
    if (extension == QLatin1String("jpeg"))
        extension = QStringLiteral("jpg");
    else if (extension == QLatin1String("tif"))
        extension = QStringLiteral("tiff");
    return SaveImageFile(m_image, path, extension, JpegQuality, ImageEncoding::RgbDepth,
        ImageEncoding::TiffUncompressed, error);
}

void ImagingComponent::clear()
{
    m_image = QImage();
    m_loadedSize = QSize();
}

bool ImagingComponent::setWidth(int width, QString* error)
{
    return resample(width, height(), error);
}

bool ImagingComponent::setHeight(int height, QString* error)
{
    return resample(width(), height, error);
}

bool ImagingComponent::resample(int width, int height, QString* error)
{
    if (m_image.isNull())
        return fail(error, QStringLiteral("No picture is loaded."));
    if (width < 1 || height < 1)
        return fail(
            error, QStringLiteral("Cannot resample to %1 x %2 pixels.").arg(width).arg(height));
    if (width == m_image.width() && height == m_image.height())
        return true;
    QImage scaled = m_image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        return fail(error,
            QStringLiteral("Not enough memory to resample to %1 x %2 pixels.")
                .arg(width)
                .arg(height));
    m_image = std::move(scaled);
    return true;
}

bool ImagingComponent::drawText(
    int x, int y, const QString& text, StampCorner corner, QString* error)
{
    if (m_image.isNull())
        return fail(error, QStringLiteral("No picture is loaded."));
    const double opacity = 1.0 - qBound(0.0, double(m_textStyle.transparency), 1.0);
    if (text.isEmpty() || opacity <= 0.0)
        return true;

    QFont font;
    if (!m_textStyle.fontName.isEmpty())
        font.setFamily(m_textStyle.fontName);
    const int points = m_textStyle.fontSize > 0 ? m_textStyle.fontSize : DefaultFontPoints;
    font.setPixelSize(qMax(1, int(std::lround(points * PixelsPerPoint))));
    const bool aliased = m_textStyle.textQuality == 1 || m_textStyle.textQuality == 2;
    font.setStyleStrategy(aliased ? QFont::NoAntialias : QFont::PreferAntialias);

    const QFontMetricsF metrics(font, &m_image);
    const QRectF box(0, 0, metrics.horizontalAdvance(text), metrics.height());
    QTransform rotation;
    rotation.rotate(-double(m_textStyle.rotation));
    // Whole pixels, so the same text looks the same wherever it is anchored.
    const QPointF exact = QPointF(x, y) - cornerOf(rotation.mapRect(box), corner);
    const QPointF offset(std::round(exact.x()), std::round(exact.y()));

    QPainter painter(&m_image);
    painter.setRenderHint(QPainter::TextAntialiasing, !aliased);
    painter.setRenderHint(QPainter::Antialiasing, !aliased);
    painter.setOpacity(opacity);
    painter.setFont(font);
    painter.setPen(fromColorReference(m_textStyle.color));
    painter.translate(offset);
    painter.rotate(-double(m_textStyle.rotation));
    painter.drawText(QPointF(0, metrics.ascent()), text);
    return true;
}

bool ImagingComponent::drawPicture(int x, int y, const ImagingComponent& picture, double opacity,
    double transparentColor, double deviation, StampCorner corner, QString* error)
{
    if (m_image.isNull())
        return fail(error, QStringLiteral("No picture is loaded."));
    if (picture.isNull())
        return fail(error, QStringLiteral("The picture to draw is empty."));
    opacity = qBound(0.0, opacity, 1.0);
    if (opacity <= 0.0)
        return true;

    // The stamp is small next to the page, so a keyed copy of it is cheap.
    QImage stamp = picture.image().convertToFormat(QImage::Format_ARGB32);
    const quint32 key = quint32(qBound(0.0, std::round(transparentColor), double(0xffffff)));
    const int keyRed = int(key & 0xff);
    const int keyGreen = int((key >> 8) & 0xff);
    const int keyBlue = int((key >> 16) & 0xff);
    const double limit = qBound(0.0, deviation, 255.0);
    for (int row = 0; row < stamp.height(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(stamp.scanLine(row));
        for (int column = 0; column < stamp.width(); ++column) {
            const QRgb p = line[column];
            if (channelDistance(qRed(p), keyRed) <= limit
                && channelDistance(qGreen(p), keyGreen) <= limit
                && channelDistance(qBlue(p), keyBlue) <= limit)
                line[column] = 0;
        }
    }

    const QRectF box(0, 0, stamp.width(), stamp.height());
    const QPointF topLeft = QPointF(x, y) - cornerOf(box, corner);
    QPainter painter(&m_image);
    painter.setOpacity(opacity);
    painter.drawImage(topLeft, stamp);
    return true;
}
