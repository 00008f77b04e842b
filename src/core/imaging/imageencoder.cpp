#include "imageencoder.h"

#include "gifwriter.h"
#include "strictsavefile.h"

#include <QImage>
#include <QImageWriter>

namespace {

// The TIFF compression numbers callers pass (the encoder values of the Windows
// imaging API, which older settings and callers use) and Qt's TIFF writer's.
constexpr int TiffCompressionLzw = 2;
constexpr int TiffCompressionNone = 6;
constexpr int QtTiffNone = 0;
constexpr int QtTiffLzw = 1;
// Qt's PNG writer maps 0 to 100 onto zlib's levels 0 to 9.
constexpr int PngCompression = 34;

bool fail(QString* error, ImageSaveFault fault, const QString& detail)
{
    if (error)
        *error = ImageSaveFaultText(fault, detail);
    return false;
}

bool writeWithQt(const QImage& image, QIODevice* device, const QByteArray& format, int quality,
    int tiffCompression, QString* detail)
{
    QImageWriter writer(device, format);
    if (format == "jpg")
        writer.setQuality(qBound(0, quality, 100));
    if (format == "tiff")
        writer.setCompression(tiffCompression);
    // PNG is lossless whatever the level; zlib's level 3 makes smaller files
    // of page captures than the default level 6, in about half the time.
    if (format == "png")
        writer.setCompression(PngCompression);
    if (writer.write(image))
        return true;
    *detail = writer.errorString();
    return false;
}

} // namespace

QString ImageSaveFaultText(ImageSaveFault fault, const QString& detail)
{
    return QStringLiteral("Error:Can't save Image File!!\n\nError Number:  %1\nError detail:  %2")
        .arg(int(fault))
        .arg(detail);
}

bool SaveImageFile(const QImage& image, const QString& fileName, const QString& extension,
    int quality, int colorDepth, int compression, QString* error)
{
    static const QStringList known = { QStringLiteral("jpg"), QStringLiteral("png"),
        QStringLiteral("gif"), QStringLiteral("tiff"), QStringLiteral("bmp") };
    // Exact comparison: the callers pass lower-case words, and an upper-case
    // "JPG" has always been a fault rather than a JPEG.
    if (!known.contains(extension))
        return fail(error, ImageSaveFault::UnknownExtension,
            QStringLiteral("Unknown image file extension \"%1\".").arg(extension));
    if (image.isNull())
        return fail(
            error, ImageSaveFault::EmptyImage, QStringLiteral("There is no picture to save."));

    int tiffCompression = QtTiffNone;
    QImage tiffImage;
    if (extension == QLatin1String("tiff")) {
        if (compression == TiffCompressionNone)
            tiffCompression = QtTiffNone;
        else if (compression == TiffCompressionLzw)
            tiffCompression = QtTiffLzw;
        else
            return fail(error, ImageSaveFault::UnsupportedOption,
                QStringLiteral("TIFF compression %1 is not supported (6: none, 2: LZW).")
                    .arg(compression));
        if (colorDepth != 24 && colorDepth != 32)
            return fail(error, ImageSaveFault::UnsupportedOption,
                QStringLiteral("TIFF colour depth %1 is not supported (24 or 32 bits).")
                    .arg(colorDepth));
        // Qt's TIFF writer stores 3 samples per pixel for an opaque picture and
        // 4 when it has an alpha channel, so the depth is set by the format.
        if (colorDepth == 24 && image.hasAlphaChannel())
            tiffImage = image.convertToFormat(QImage::Format_RGB32);
        else if (colorDepth == 32 && !image.hasAlphaChannel())
            tiffImage = image.convertToFormat(QImage::Format_ARGB32);
    }
    const QImage& toWrite = tiffImage.isNull() ? image : tiffImage;

    StrictSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(error, ImageSaveFault::CannotCreateFile,
            QStringLiteral("Cannot write \"%1\": %2").arg(fileName, file.errorString()));

    QString detail;
    bool written = false;
    if (extension == QLatin1String("gif"))
        written = WriteGif(toWrite, &file, &detail);
    else
        written
            = writeWithQt(toWrite, &file, extension.toLatin1(), quality, tiffCompression, &detail);
    // The encoders do not all notice that the disk filled up under them.
    if (file.hadShortWrite()) {
        written = false;
        detail = QStringLiteral("The disk is full or the file too large.");
    } else if (written && file.error() != QFileDevice::NoError) {
        written = false;
        detail = file.errorString();
    }
    if (!written) {
        file.cancelWriting();
        return fail(error, ImageSaveFault::EncodingFailed,
            QStringLiteral("Cannot write \"%1\": %2").arg(fileName, detail));
    }
    if (!file.commit())
        return fail(error, ImageSaveFault::CannotReplaceFile,
            QStringLiteral("Cannot write \"%1\": %2").arg(fileName, file.errorString()));
    return true;
}
