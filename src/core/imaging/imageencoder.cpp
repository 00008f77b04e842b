#include "core/imaging/imageencoder.h"

#include "core/imaging/avifwriter.h"
#include "core/imaging/bitmappng.h"
#include "core/imaging/gifwriter.h"
#include "core/imaging/imagesizelimits.h"
#include "core/imaging/scratchfile.h"
#include "core/imaging/shortwrite.h"
#include "core/imaging/strictsavefile.h"
#include "core/imaging/webpwriter.h"

#include <QImage>
#include <QImageWriter>
#include <memory>
#include <vector>

namespace {

// Qt's TIFF writer's compression numbers; callers pass the encoder values of
// the Windows imaging API (ImageEncoding::TiffLzw, TiffUncompressed), which
// older settings and callers use.
constexpr int QtTiffNone = 0;
constexpr int QtTiffLzw = 1;

bool fail(QString* error, ImageSaveFault fault, const QString& detail)
{
    if (error)
        *error = ImageSaveFaultText(fault, detail);
    return false;
}

// Gathers an encoder's many small writes (a BMP row at a time) into large ones for
// every file it feeds, so that a page of hundreds of megabytes takes few system
// calls and can fill several files from one encoding. Only for encoders that
// write from start to end without seeking.
class FanOutWriter : public QIODevice
{
public:
    FanOutWriter(const QList<QIODevice*>& targets, const std::atomic<bool>* stop)
        : m_targets(targets)
        , m_stop(stop)
    {
        m_buffer.reserve(BufferBytes);
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    bool drain()
    {
        for (QIODevice* target : std::as_const(m_targets)) {
            if (target->write(m_buffer) != m_buffer.size())
                m_failed = true;
        }
        m_buffer.clear();
        return !m_failed;
    }
    bool failed() const { return m_failed; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override
    {
        if (m_failed || StopRequested(m_stop))
            return -1;
        m_buffer.append(data, length);
        if (m_buffer.size() >= BufferBytes && !drain())
            return -1;
        return length;
    }

private:
    static constexpr qsizetype BufferBytes = 1 << 20;
    QList<QIODevice*> m_targets;
    const std::atomic<bool>* m_stop = nullptr;
    QByteArray m_buffer;
    bool m_failed = false;
};

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
        writer.setCompression(ImageEncoding::PngCompression);
    if (writer.write(image))
        return true;
    *detail = writer.errorString();
    return false;
}

// BMP, PNG, JPEG, WebP and AVIF are written front to back: one encoding can fill
// every file. TIFF seeks and GIF has its own writer: one file at a time.
bool writesFrontToBack(const QString& extension)
{
    return extension == QLatin1String("bmp") || extension == QLatin1String("png")
        || extension == QLatin1String("jpg") || extension == QLatin1String("webp")
        || extension == QLatin1String("avif");
}

// Encodes into every file at once (one file for GIF and TIFF) and commits them
// in the order given. File is StrictSaveFile or ScratchFile.
template <typename File>
bool encodeInto(const QImage& toWrite, const QStringList& fileNames, const QString& extension,
    int quality, int tiffCompression, QString* error, const std::atomic<bool>* stop)
{
    std::vector<std::unique_ptr<File>> files;
    QList<QIODevice*> devices;
    for (const QString& name : fileNames) {
        files.push_back(std::make_unique<File>(name));
        files.back()->setStop(stop);
        if (!files.back()->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return fail(error, ImageSaveFault::CannotCreateFile,
                QStringLiteral("Cannot write \"%1\": %2").arg(name, files.back()->errorString()));
        devices << files.back().get();
    }
    const QString fileName = fileNames.first();

    QString detail;
    bool written = false;
    if (extension == QLatin1String("gif")) {
        written = WriteGif(toWrite, files.front().get(), &detail, stop);
    } else if (extension == QLatin1String("png") && toWrite.format() == QImage::Format_RGB32) {
        // A capture is written as its bitmap would be (see bitmappng.h).
        FanOutWriter sink(devices, stop);
        written = WritePictureAsPng(toWrite, &sink) && sink.drain();
        if (!written)
            detail = QStringLiteral("The picture could not be encoded.");
    } else if (extension == QLatin1String("webp") || extension == QLatin1String("avif")) {
        FanOutWriter sink(devices, stop);
        written = (extension == QLatin1String("webp")
                          ? WriteWebp(toWrite, &sink, quality, &detail, stop)
                          : WriteAvif(toWrite, &sink, quality, &detail, stop))
            && sink.drain();
        if (!written && detail.isEmpty())
            detail = QStringLiteral("The picture could not be encoded.");
    } else if (writesFrontToBack(extension)) {
        FanOutWriter sink(devices, stop);
        written
            = writeWithQt(toWrite, &sink, extension.toLatin1(), quality, tiffCompression, &detail)
            && sink.drain();
    } else {
        written = writeWithQt(
            toWrite, files.front().get(), extension.toLatin1(), quality, tiffCompression, &detail);
    }
    // The encoders do not all notice that the disk filled up under them.
    for (const auto& file : files) {
        if (file->hadShortWrite()) {
            written = false;
            detail = ShortWriteText(file->shortWriteError());
        } else if (written && file->error() != QFileDevice::NoError) {
            written = false;
            detail = file->errorString();
        }
    }
    // Stopped: whatever the encoder made of it, nobody takes the file.
    if (StopRequested(stop)) {
        for (const auto& file : files)
            file->cancelWriting();
        return fail(error, ImageSaveFault::Stopped,
            QStringLiteral("Cannot write \"%1\": Stopped").arg(fileName));
    }
    if (!written) {
        for (const auto& file : files)
            file->cancelWriting();
        return fail(error, ImageSaveFault::EncodingFailed,
            QStringLiteral("Cannot write \"%1\": %2").arg(fileName, detail));
    }
    // In the order given: a later file never appears without the earlier ones.
    for (const auto& file : files) {
        if (!file->commit())
            return fail(error, ImageSaveFault::CannotReplaceFile,
                QStringLiteral("Cannot write \"%1\": %2")
                    .arg(file->fileName(), file->errorString()));
    }
    return true;
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
    return SaveImageFiles(image, { fileName }, extension, quality, colorDepth, compression, error);
}

bool SaveImageFiles(const QImage& image, const QStringList& fileNames, const QString& extension,
    int quality, int colorDepth, int compression, QString* error, ImageFileCommit commit,
    const std::atomic<bool>* stop)
{
    if (fileNames.isEmpty())
        return fail(error, ImageSaveFault::CannotCreateFile, QStringLiteral("No file to write."));
    static const QStringList known = { QStringLiteral("jpg"), QStringLiteral("png"),
        QStringLiteral("gif"), QStringLiteral("tiff"), QStringLiteral("bmp"),
        QStringLiteral("webp"), QStringLiteral("avif") };
    // Exact comparison: the callers pass lower-case words, and an upper-case
    // "JPG" has always been a fault rather than a JPEG.
    if (!known.contains(extension))
        return fail(error, ImageSaveFault::UnknownExtension,
            QStringLiteral("Unknown image file extension \"%1\".").arg(extension));
    if (image.isNull())
        return fail(
            error, ImageSaveFault::EmptyImage, QStringLiteral("There is no picture to save."));
    // Said before the encoder starts: deep inside it, it has no words a user could act on.
    if (const QString problem = FormatSizeProblem(image.size(), extension); !problem.isEmpty())
        return fail(error, ImageSaveFault::EncodingFailed,
            QStringLiteral("Cannot write \"%1\": %2").arg(fileNames.first(), problem));

    int tiffCompression = QtTiffNone;
    QImage tiffImage;
    if (extension == QLatin1String("tiff")) {
        if (compression == ImageEncoding::TiffUncompressed)
            tiffCompression = QtTiffNone;
        else if (compression == ImageEncoding::TiffLzw)
            tiffCompression = QtTiffLzw;
        else
            return fail(error, ImageSaveFault::UnsupportedOption,
                QStringLiteral("TIFF compression %1 is not supported (6: none, 2: LZW).")
                    .arg(compression));
        if (colorDepth != ImageEncoding::RgbDepth && colorDepth != ImageEncoding::RgbAlphaDepth)
            return fail(error, ImageSaveFault::UnsupportedOption,
                QStringLiteral("TIFF colour depth %1 is not supported (24 or 32 bits).")
                    .arg(colorDepth));
        // Qt's TIFF writer stores 3 samples per pixel for an opaque picture and
        // 4 when it has an alpha channel, so the depth is set by the format.
        if (colorDepth == ImageEncoding::RgbDepth && image.hasAlphaChannel())
            tiffImage = image.convertToFormat(QImage::Format_RGB32);
        else if (colorDepth == ImageEncoding::RgbAlphaDepth && !image.hasAlphaChannel())
            tiffImage = image.convertToFormat(QImage::Format_ARGB32);
    }
    const QImage& toWrite = tiffImage.isNull() ? image : tiffImage;

    if (!writesFrontToBack(extension) && fileNames.size() > 1) {
        for (const QString& name : fileNames) {
            if (!SaveImageFiles(image, { name }, extension, quality, colorDepth, compression, error,
                    commit, stop))
                return false;
        }
        return true;
    }
    if (commit == ImageFileCommit::Scratch)
        return encodeInto<ScratchFile>(
            toWrite, fileNames, extension, quality, tiffCompression, error, stop);
    return encodeInto<StrictSaveFile>(
        toWrite, fileNames, extension, quality, tiffCompression, error, stop);
}
