#include "core/imaging/pngdecoder.h"

#include <QImageReader>
#include <QtEndian>
#include <cstring>
#include <libdeflate.h>
#include <limits>
#include <memory>

namespace {

constexpr qint64 MaxDeflateRatio = 1032;

struct PngHeader
{
    int width = 0;
    int height = 0;
    int channels = 0; // 3 for RGB, 4 for RGBA
};

quint32 bigEndianAt(const uchar* at)
{
    return qFromBigEndian<quint32>(at);
}

// The header and the compressed pixels of a PNG this reader takes; false for
// any other, and for a PNG whose chunks run past its end: libpng then says what
// it makes of it.
bool readChunks(const QByteArray& png, PngHeader* header, QByteArray* compressed)
{
    static constexpr uchar Signature[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n' };
    const auto* data = reinterpret_cast<const uchar*>(png.constData());
    const qsizetype size = png.size();
    if (size < 8 || std::memcmp(data, Signature, 8) != 0)
        return false;
    qsizetype at = 8;
    bool sawHeader = false;
    while (size - at >= 12) {
        const quint32 length = bigEndianAt(data + at);
        const uchar* type = data + at + 4;
        if (length > quint32(size - at - 12))
            return false;
        const uchar* body = data + at + 8;
        if (std::memcmp(type, "IHDR", 4) == 0) {
            // Width, height, bit depth, colour type, compression, filter, interlace.
            if (length != 13 || sawHeader)
                return false;
            const quint32 width = bigEndianAt(body);
            const quint32 height = bigEndianAt(body + 4);
            const uchar colourType = body[9];
            if (width == 0 || height == 0 || width > quint32(std::numeric_limits<int>::max())
                || height > quint32(std::numeric_limits<int>::max()) || body[8] != 8
                || (colourType != 2 && colourType != 6) || body[10] != 0 || body[11] != 0
                || body[12] != 0)
                return false;
            *header = { int(width), int(height), colourType == 2 ? 3 : 4 };
            sawHeader = true;
        } else if (!sawHeader) {
            return false;
        } else if (std::memcmp(type, "PLTE", 4) == 0 || std::memcmp(type, "tRNS", 4) == 0) {
            // A transparent colour or a palette the fast path does not apply.
            return false;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            compressed->append(reinterpret_cast<const char*>(body), qsizetype(length));
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            return !compressed->isEmpty();
        }
        at += 12 + qsizetype(length);
    }
    return false;
}

uchar paeth(int left, int up, int upLeft)
{
    const int estimate = left + up - upLeft;
    const int toLeft = std::abs(estimate - left);
    const int toUp = std::abs(estimate - up);
    const int toUpLeft = std::abs(estimate - upLeft);
    if (toLeft <= toUp && toLeft <= toUpLeft)
        return uchar(left);
    return uchar(toUp <= toUpLeft ? up : upLeft);
}

// Undoes the row's filter in place; `prior` is the row above, already unfiltered
// (zeros above the first row).
bool unfilterRow(uchar filter, uchar* __restrict row, const uchar* __restrict prior,
    qsizetype bytes, int pixelBytes)
{
    switch (filter) {
    case 0:
        return true;
    case 1:
        for (qsizetype i = pixelBytes; i < bytes; ++i)
            row[i] = uchar(row[i] + row[i - pixelBytes]);
        return true;
    case 2:
        for (qsizetype i = 0; i < bytes; ++i)
            row[i] = uchar(row[i] + prior[i]);
        return true;
    case 3:
        for (qsizetype i = 0; i < bytes; ++i) {
            const int left = i >= pixelBytes ? row[i - pixelBytes] : 0;
            row[i] = uchar(row[i] + ((left + prior[i]) >> 1));
        }
        return true;
    case 4:
        for (qsizetype i = 0; i < bytes; ++i) {
            const bool first = i < pixelBytes;
            row[i] = uchar(row[i]
                + paeth(
                    first ? 0 : row[i - pixelBytes], prior[i], first ? 0 : prior[i - pixelBytes]));
        }
        return true;
    default:
        return false;
    }
}

struct DecompressorFree
{
    void operator()(libdeflate_decompressor* decompressor) const
    {
        libdeflate_free_decompressor(decompressor);
    }
};

} // namespace

QImage DecodePng(const QByteArray& png)
{
    PngHeader header;
    QByteArray compressed;
    if (!readChunks(png, &header, &compressed))
        return QImage::fromData(png, "PNG");
    // Each row is its filter's byte and the row's samples.
    const qint64 rowBytes = qint64(header.width) * header.channels;
    const qint64 stride = rowBytes + 1;
    // Deflate makes at most 1,032 bytes of one: a header that claims more than
    // its stream can hold, or an image over the reader's allocation limit, is
    // left to libpng, which refuses it with its reason.
    const qint64 limitBytes = qint64(QImageReader::allocationLimit()) << 20;
    const qint64 mostBytes = qint64(compressed.size()) * MaxDeflateRatio;
    if (stride > mostBytes / header.height
        || (limitBytes > 0 && qint64(header.width) * 4 * header.height > limitBytes))
        return QImage::fromData(png, "PNG");
    QByteArray raw(qsizetype(stride * header.height), Qt::Uninitialized);
    const std::unique_ptr<libdeflate_decompressor, DecompressorFree> decompressor(
        libdeflate_alloc_decompressor());
    if (!decompressor)
        return QImage::fromData(png, "PNG");
    size_t inflated = 0;
    // The checksum is checked; a stream that gives more or fewer bytes than the
    // header promises is not this PNG's pixels.
    if (libdeflate_zlib_decompress(decompressor.get(), compressed.constData(),
            size_t(compressed.size()), raw.data(), size_t(raw.size()), &inflated)
            != LIBDEFLATE_SUCCESS
        || inflated != size_t(raw.size()))
        return QImage::fromData(png, "PNG");
    compressed = QByteArray();
    // Each row is unfiltered against the one above and moved down over the
    // filter bytes before it: the samples end packed from the start, in Qt's
    // byte-ordered formats.
    auto* rows = reinterpret_cast<uchar*>(raw.data());
    const QByteArray zeros(qsizetype(rowBytes), '\0');
    const uchar* prior = reinterpret_cast<const uchar*>(zeros.constData());
    for (int y = 0; y < header.height; ++y) {
        uchar* row = rows + stride * y;
        if (!unfilterRow(row[0], row + 1, prior, rowBytes, header.channels))
            return QImage::fromData(png, "PNG");
        uchar* packed = rows + rowBytes * y;
        std::memmove(packed, row + 1, size_t(rowBytes));
        prior = packed;
    }
    const QImage samples(rows, header.width, header.height, qsizetype(rowBytes),
        header.channels == 3 ? QImage::Format_RGB888 : QImage::Format_RGBA8888);
    return samples.convertToFormat(
        header.channels == 3 ? QImage::Format_RGB32 : QImage::Format_ARGB32);
}
