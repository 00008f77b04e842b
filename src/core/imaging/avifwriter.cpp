#include "core/imaging/avifwriter.h"

#include "core/imaging/shortwrite.h"

#include <QIODevice>
#include <QImage>
#include <QThread>
#include <avif/avif.h>
#include <memory>

namespace {

// libavif's 0 (slowest) to 10 (fastest): at 8 a page of a few megapixels takes
// about a second on one core; slower settings gain little on screenshots.
constexpr int EncoderSpeed = 8;

struct ImageDeleter
{
    void operator()(avifImage* image) const { avifImageDestroy(image); }
};
struct EncoderDeleter
{
    void operator()(avifEncoder* encoder) const { avifEncoderDestroy(encoder); }
};

bool failed(QString* error, const QString& step, avifResult result)
{
    *error = QStringLiteral("The AVIF encoder failed %1: %2")
                 .arg(step, QString::fromUtf8(avifResultToString(result)));
    return false;
}

} // namespace

bool WriteAvif(const QImage& image, QIODevice* device, int quality, QString* error,
    const std::atomic<bool>* stop)
{
    quality = qBound(0, quality, 100);
    const bool alpha = image.hasAlphaChannel();
    // Qt's 32-bit formats hold a pixel as one number (B, G, R, A in memory on a
    // little-endian machine); the byte-ordered ones are the same everywhere.
    const QImage::Format wanted = alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888;
    const bool native = Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        && image.format() == (alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const QImage source = native ? image : image.convertToFormat(wanted);

    std::unique_ptr<avifImage, ImageDeleter> yuv(avifImageCreate(
        uint32_t(source.width()), uint32_t(source.height()), 8, AVIF_PIXEL_FORMAT_YUV444));
    if (!yuv) {
        *error = QStringLiteral("Out of memory while encoding the AVIF picture.");
        return false;
    }
    // Full range: a page's white stays 255 and its black 0.
    yuv->yuvRange = AVIF_RANGE_FULL;
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, yuv.get());
    rgb.format = native ? AVIF_RGB_FORMAT_BGRA : AVIF_RGB_FORMAT_RGBA;
    rgb.ignoreAlpha = !alpha;
    rgb.pixels = const_cast<uint8_t*>(source.constBits());
    rgb.rowBytes = uint32_t(source.bytesPerLine());
    if (const avifResult result = avifImageRGBToYUV(yuv.get(), &rgb); result != AVIF_RESULT_OK)
        return failed(error, QStringLiteral("converting the colours"), result);
    if (StopRequested(stop)) {
        *error = QStringLiteral("Stopped");
        return false;
    }

    std::unique_ptr<avifEncoder, EncoderDeleter> encoder(avifEncoderCreate());
    if (!encoder) {
        *error = QStringLiteral("Out of memory while encoding the AVIF picture.");
        return false;
    }
    encoder->maxThreads = qMax(1, QThread::idealThreadCount());
    encoder->speed = EncoderSpeed;
    // Quality 0 to 100 onto the quantiser's 63 (worst) to 0 (best), as newer
    // libavif releases map their own quality setting.
    const int quantizer = ((100 - quality) * AVIF_QUANTIZER_WORST_QUALITY + 50) / 100;
    encoder->minQuantizer = quantizer;
    encoder->maxQuantizer = quantizer;
    encoder->minQuantizerAlpha = quantizer;
    encoder->maxQuantizerAlpha = quantizer;
    avifRWData output = AVIF_DATA_EMPTY;
    const avifResult result = avifEncoderWrite(encoder.get(), yuv.get(), &output);
    if (result != AVIF_RESULT_OK)
        return failed(error, QStringLiteral("encoding"), result);
    const std::unique_ptr<avifRWData, decltype(&avifRWDataFree)> held(&output, avifRWDataFree);
    if (StopRequested(stop)) {
        *error = QStringLiteral("Stopped");
        return false;
    }
    if (device->write(reinterpret_cast<const char*>(output.data), qint64(output.size))
        != qint64(output.size)) {
        *error = device->errorString();
        return false;
    }
    return true;
}
