#include "core/imaging/bitmappng.h"

#include "core/imaging/imageencoder.h"
#include "core/imaging/imagesizelimits.h"
#include "core/imaging/pngbandwriter.h"
#include "core/imaging/shortwrite.h"
#include "core/imaging/strictsavefile.h"

#include <QFile>
#include <QImage>
#include <QtEndian>
#include <algorithm>
#include <limits>
#include <vector>

namespace {

constexpr qsizetype BandBytes = 4 << 20;

struct BitmapLayout
{
    qint64 pixelsAt = 0;
    int width = 0;
    int height = 0;
    bool bottomUp = true;
    qsizetype stride = 0;
    int dotsPerMeterX = 0;
    int dotsPerMeterY = 0;
};

bool ReadLayout(QFile& file, BitmapLayout* layout)
{
    const QByteArray head = file.read(54);
    if (head.size() != 54 || !head.startsWith("BM"))
        return false;
    const auto* bytes = reinterpret_cast<const uchar*>(head.constData());
    const quint32 infoSize = qFromLittleEndian<quint32>(bytes + 14);
    const qint32 width = qFromLittleEndian<qint32>(bytes + 18);
    const qint32 height = qFromLittleEndian<qint32>(bytes + 22);
    const quint16 bitsPerPixel = qFromLittleEndian<quint16>(bytes + 28);
    const quint32 compression = qFromLittleEndian<quint32>(bytes + 30);
    if (infoSize != 40 || bitsPerPixel != 24 || compression != 0 || width <= 0 || height == 0
        || height == std::numeric_limits<qint32>::min())
        return false;
    layout->pixelsAt = qFromLittleEndian<quint32>(bytes + 10);
    layout->width = width;
    layout->height = height > 0 ? height : -height;
    layout->bottomUp = height > 0;
    layout->stride = (qsizetype(width) * 3 + 3) & ~qsizetype(3);
    layout->dotsPerMeterX = qFromLittleEndian<qint32>(bytes + 38);
    layout->dotsPerMeterY = qFromLittleEndian<qint32>(bytes + 42);
    return file.size() >= layout->pixelsAt + layout->stride * layout->height;
}

// An opaque picture as 8-bit RGB, its rows given blue, green, red (as a bitmap
// holds them). Rows come from `rowAt`, top row first; a null row fails the write.
template <typename RowAt> bool WriteRows(QIODevice* device, const BitmapLayout& layout, RowAt rowAt)
{
    PngBandWriter writer(
        device, layout.width, layout.height, layout.dotsPerMeterX, layout.dotsPerMeterY);
    for (int y = 0; y < layout.height; ++y) {
        const uchar* row = rowAt(y);
        if (!row || !writer.addRow(row))
            return false;
    }
    return writer.finish();
}

} // namespace

bool WritePictureAsPng(const QImage& picture, QIODevice* device)
{
    if (picture.format() != QImage::Format_RGB32 || picture.isNull())
        return false;
    BitmapLayout layout;
    layout.width = picture.width();
    layout.height = picture.height();
    layout.dotsPerMeterX = picture.dotsPerMeterX();
    layout.dotsPerMeterY = picture.dotsPerMeterY();
    std::vector<uchar> row(size_t(layout.width) * 3);
    return WriteRows(device, layout, [&](int y) -> const uchar* {
        const auto* pixels = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        uchar* out = row.data();
        for (int x = 0; x < layout.width; ++x, out += 3) {
            out[0] = uchar(qBlue(pixels[x]));
            out[1] = uchar(qGreen(pixels[x]));
            out[2] = uchar(qRed(pixels[x]));
        }
        return row.data();
    });
}

BitmapPngResult SaveBitmapAsPng(const QString& bitmapPath, const QString& pngPath, QString* error,
    const std::atomic<bool>* stop)
{
    // Worded as the encoders word them: the page's message box shows the same text.
    auto fail = [error, &pngPath](ImageSaveFault fault, const QString& detail) {
        if (error)
            *error = ImageSaveFaultText(
                fault, QStringLiteral("Cannot write \"%1\": %2").arg(pngPath, detail));
        return BitmapPngResult::Failed;
    };
    QFile bitmap(bitmapPath);
    BitmapLayout layout;
    if (!bitmap.open(QIODevice::ReadOnly) || !ReadLayout(bitmap, &layout))
        return BitmapPngResult::NotThisBitmap;
    if (const QString problem
        = FormatSizeProblem(QSize(layout.width, layout.height), OutputFormat::Png);
        !problem.isEmpty())
        return fail(ImageSaveFault::EncodingFailed, problem);

    StrictSaveFile png(pngPath);
    png.setStop(stop);
    if (!png.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(ImageSaveFault::CannotCreateFile, png.errorString());

    // A band of rows read at once; a bottom-up bitmap's top rows end the file,
    // so a band is read from its last row to its first.
    const int bandRows
        = int(std::clamp<qsizetype>(BandBytes / layout.stride, 1, qsizetype(layout.height)));
    std::vector<uchar> band(size_t(bandRows * layout.stride));
    int bandTop = -1;
    int bandCount = 0;
    auto rowAt = [&](int y) -> const uchar* {
        if (bandTop < 0 || y >= bandTop + bandCount) {
            if (StopRequested(stop))
                return nullptr;
            bandTop = y;
            bandCount = std::min(bandRows, layout.height - y);
            const int firstFileRow = layout.bottomUp ? layout.height - y - bandCount : y;
            const qint64 at = layout.pixelsAt + qint64(firstFileRow) * layout.stride;
            const qint64 bytes = qint64(bandCount) * layout.stride;
            if (!bitmap.seek(at)
                || bitmap.read(reinterpret_cast<char*>(band.data()), bytes) != bytes)
                return nullptr;
        }
        const int index = layout.bottomUp ? bandCount - 1 - (y - bandTop) : y - bandTop;
        return band.data() + qsizetype(index) * layout.stride;
    };
    const bool written = WriteRows(&png, layout, rowAt);
    if (StopRequested(stop)) {
        png.cancelWriting();
        return fail(ImageSaveFault::Stopped, QStringLiteral("Stopped"));
    }
    if (!written || png.hadShortWrite() || png.error() != QFileDevice::NoError) {
        const QString detail = png.hadShortWrite()
            ? ShortWriteText(png.shortWriteError())
            : (png.error() != QFileDevice::NoError
                    ? png.errorString()
                    : QStringLiteral("The bitmap could not be read."));
        png.cancelWriting();
        return fail(ImageSaveFault::EncodingFailed, detail);
    }
    if (!png.commit())
        return fail(ImageSaveFault::CannotReplaceFile, png.errorString());
    return BitmapPngResult::Written;
}
