#include "core/imaging/webpwriter.h"

#include "core/imaging/shortwrite.h"

#include <QIODevice>
#include <QImage>
#include <QtEndian>
#include <webp/encode.h>

namespace {

// libwebp's effort: 0 (fastest) to 6 (smallest). A page of tens of megapixels
// at 6 takes several times as long for a few per cent; 4 is the library's own
// default for lossy pictures.
constexpr int LossyMethod = 4;
// Lossless presets run 0 to 9; beyond 2 a page's file shrinks by a few per cent
// for twice the time and more.
constexpr int LosslessLevel = 2;
constexpr int LosslessQuality = 100;

struct Sink
{
    QIODevice* device = nullptr;
    const std::atomic<bool>* stop = nullptr;
};

// libwebp writes the file front to back through this; a failed or stopped write
// ends the encoding.
int writeChunk(const uint8_t* data, size_t size, const WebPPicture* picture)
{
    const auto* sink = static_cast<const Sink*>(picture->custom_ptr);
    if (StopRequested(sink->stop))
        return 0;
    return sink->device->write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size);
}

int progress(int, const WebPPicture* picture)
{
    return !StopRequested(static_cast<const Sink*>(picture->custom_ptr)->stop);
}

QString encodingErrorText(WebPEncodingError code)
{
    switch (code) {
    case VP8_ENC_ERROR_OUT_OF_MEMORY:
    case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
        return QStringLiteral("Out of memory while encoding the WebP picture.");
    case VP8_ENC_ERROR_BAD_DIMENSION:
        return QStringLiteral("WebP cannot hold a picture of this size.");
    case VP8_ENC_ERROR_BAD_WRITE:
        return QStringLiteral("The WebP file could not be written.");
    case VP8_ENC_ERROR_USER_ABORT:
        return QStringLiteral("Stopped");
    default:
        return QStringLiteral("The WebP encoder failed (error %1).").arg(int(code));
    }
}

} // namespace

bool WriteWebp(const QImage& image, QIODevice* device, int quality, QString* error,
    const std::atomic<bool>* stop)
{
    quality = qBound(0, quality, 100);
    const bool lossless = quality == LosslessQuality;
    WebPConfig config;
    if (!WebPConfigInit(&config)
        || (lossless && !WebPConfigLosslessPreset(&config, LosslessLevel))) {
        *error = QStringLiteral("The WebP encoder does not match its headers.");
        return false;
    }
    if (!lossless) {
        config.quality = float(quality);
        config.method = LossyMethod;
    }
    // A second thread where the library can use one (the lossy analysis).
    config.thread_level = 1;

    // Captures are opaque 32-bit pictures: their rows are handed over as they are.
    // Anything else becomes one first, keeping its transparency.
    const bool alpha = image.hasAlphaChannel();
    QImage converted;
    const QImage* source = &image;
    const QImage::Format wanted = alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (image.format() != wanted) {
        converted = image.convertToFormat(wanted);
        source = &converted;
    }

    WebPPicture picture;
    if (!WebPPictureInit(&picture)) {
        *error = QStringLiteral("The WebP encoder does not match its headers.");
        return false;
    }
    picture.width = source->width();
    picture.height = source->height();
    picture.use_argb = lossless;
    Sink sink { device, stop };
    picture.writer = writeChunk;
    picture.custom_ptr = &sink;
    picture.progress_hook = progress;

    // Qt's 32-bit formats hold a pixel as one number: B, G, R, A in memory on a
    // little-endian machine, A, R, G, B on a big-endian one.
    const auto* bits = source->constBits();
    const int stride = int(source->bytesPerLine());
    int imported = 0;
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        imported = alpha ? WebPPictureImportBGRA(&picture, bits, stride)
                         : WebPPictureImportBGRX(&picture, bits, stride);
    } else {
        const QImage bytes
            = source->convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
        imported = alpha ? WebPPictureImportRGBA(&picture, bytes.constBits(), stride)
                         : WebPPictureImportRGBX(&picture, bytes.constBits(), stride);
    }
    converted = QImage();
    if (!imported) {
        *error = encodingErrorText(picture.error_code);
        WebPPictureFree(&picture);
        return false;
    }
    const bool written = WebPEncode(&config, &picture);
    if (!written)
        *error = encodingErrorText(picture.error_code);
    WebPPictureFree(&picture);
    return written;
}
