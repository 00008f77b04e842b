#include "core/imaging/imagesizelimits.h"

#include <QLocale>
#include <QStringList>
#include <limits>

namespace {

// Both sides of a GIF are 16-bit numbers.
constexpr int GifMaxSide = 65535;
// JPEG's header holds 16 bits a side, but the JPEG library refuses more than this
// (a little under 64 K, so that its arithmetic cannot overflow).
constexpr int JpegMaxSide = 65500;
// PNG readers, the PNG library included, refuse pictures above a million pixels a
// side unless told otherwise; the writer refuses them too.
constexpr int PngMaxSide = 1000000;
// WebP stores each side as a 14-bit number.
constexpr int WebpMaxSide = 16383;
// AV1 itself goes to 65,536, but libavif's readers (browsers among them) refuse
// pictures above this side unless told otherwise.
constexpr int AvifMaxSide = 32768;
// A bitmap and a TIFF hold far more than any capture.
constexpr int NoFormatLimit = std::numeric_limits<int>::max();

QString Pixels(qint64 count)
{
    return QLocale(QLocale::English).toString(count);
}

// The formats offered instead of one that cannot hold a picture, best first.
constexpr OutputFormat Alternatives[]
    = { OutputFormat::Png, OutputFormat::Tiff, OutputFormat::Bmp };

bool Holds(const ImageFormatLimit& limit, const QSize& size)
{
    return size.width() <= limit.maxWidth && size.height() <= limit.maxHeight;
}

} // namespace

const QList<ImageFormatLimit>& ImageFormatLimits()
{
    static const QList<ImageFormatLimit> limits = {
        { OutputFormat::Bmp, NoFormatLimit, NoFormatLimit },
        { OutputFormat::Jpg, JpegMaxSide, JpegMaxSide },
        { OutputFormat::Gif, GifMaxSide, GifMaxSide },
        { OutputFormat::Png, PngMaxSide, PngMaxSide },
        { OutputFormat::Tiff, NoFormatLimit, NoFormatLimit },
        { OutputFormat::Webp, WebpMaxSide, WebpMaxSide },
        { OutputFormat::Avif, AvifMaxSide, AvifMaxSide },
    };
    return limits;
}

const ImageFormatLimit& ImageFormatLimitOf(OutputFormat format)
{
    for (const ImageFormatLimit& limit : ImageFormatLimits()) {
        if (limit.format == format)
            return limit;
    }
    return ImageFormatLimits().constFirst();
}

QString CaptureSizeProblem(const QSize& size)
{
    if (size.width() <= 0 || size.height() <= 0)
        return QStringLiteral("The page has nothing to capture");
    if (size.width() > ImageSizeLimits::MaxWidth
        || qint64(size.width()) * size.height() > ImageSizeLimits::MaxPixels)
        return QStringLiteral("The page is too large to capture (%1 x %2 pixels)")
            .arg(size.width())
            .arg(size.height());
    return QString();
}

QString FormatSizeProblem(const QSize& size, OutputFormat format)
{
    const ImageFormatLimit& limit = ImageFormatLimitOf(format);
    if (Holds(limit, size))
        return QString();
    QStringList others;
    for (const OutputFormat other : Alternatives) {
        if (other != format && Holds(ImageFormatLimitOf(other), size))
            others << OutputFormatName(other);
    }
    const bool tall = size.height() > limit.maxHeight;
    return QStringLiteral("%1 cannot hold an image %2 than %3 px; choose %4")
        .arg(OutputFormatName(format), tall ? QStringLiteral("taller") : QStringLiteral("wider"),
            Pixels(tall ? limit.maxHeight : limit.maxWidth),
            others.mid(0, 2).join(QStringLiteral(" or ")));
}

QString FormatSizeProblem(const QSize& size, const QString& extension)
{
    for (const OutputFormatInfo& info : OutputFormats()) {
        if (info.type == OutputType::Image && info.extension == extension)
            return FormatSizeProblem(size, info.format);
    }
    return QString();
}

QString ImageSizeProblem(const QSize& size, OutputFormat format)
{
    const QString problem = CaptureSizeProblem(size);
    return problem.isEmpty() ? FormatSizeProblem(size, format) : problem;
}
