#include "core/imaging/gifwriter.h"

#include "core/imaging/imagesizelimits.h"
#include "core/imaging/shortwrite.h"

#include <QIODevice>
#include <QImage>
#include <gif_lib.h>
#include <libimagequant.h>
#include <memory>
#include <vector>

namespace {

struct LiqDeleter
{
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
    void operator()(liq_image* p) const { liq_image_destroy(p); }
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};

// The quantiser pulls the pixels one row at a time, so the page is never
// duplicated as a full RGBA buffer.
void rgbaRow(liq_color rowOut[], int row, int width, void* userInfo)
{
    const auto* image = static_cast<const QImage*>(userInfo);
    const auto* line = reinterpret_cast<const QRgb*>(image->constScanLine(row));
    const bool premultiplied = image->format() == QImage::Format_ARGB32_Premultiplied;
    const bool opaque = image->format() == QImage::Format_RGB32;
    for (int x = 0; x < width; ++x) {
        QRgb p = premultiplied ? qUnpremultiply(line[x]) : line[x];
        rowOut[x].r = uchar(qRed(p));
        rowOut[x].g = uchar(qGreen(p));
        rowOut[x].b = uchar(qBlue(p));
        rowOut[x].a = opaque ? 255 : uchar(qAlpha(p));
    }
}

// The quantiser asks on its way whether to go on: 0 stops it.
int goOn(float, void* stop)
{
    return StopRequested(static_cast<const std::atomic<bool>*>(stop)) ? 0 : 1;
}

int writeToDevice(GifFileType* gif, const GifByteType* data, int length)
{
    auto* device = static_cast<QIODevice*>(gif->UserData);
    return int(device->write(reinterpret_cast<const char*>(data), length));
}

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

int gifBitsFor(int colours)
{
    int bits = 1;
    while ((1 << bits) < colours)
        ++bits;
    return bits;
}

bool encode(const QImage& image, const liq_palette* palette, const std::vector<uchar>& indexes,
    QIODevice* device, QString* error)
{
    const int width = image.width();
    const int height = image.height();
    const int bits = gifBitsFor(int(palette->count));
    int transparentIndex = -1;
    std::vector<GifColorType> colours(size_t(1) << bits, GifColorType { 0, 0, 0 });
    for (unsigned i = 0; i < palette->count; ++i) {
        const liq_color& c = palette->entries[i];
        colours[i] = GifColorType { c.r, c.g, c.b };
        if (c.a < 128 && transparentIndex < 0)
            transparentIndex = int(i);
    }

    int code = 0;
    GifFileType* gif = EGifOpen(device, writeToDevice, &code);
    if (!gif)
        return fail(error, QStringLiteral("GIF writer: %1").arg(GifErrorString(code)));
    ColorMapObject* map = GifMakeMapObject(1 << bits, colours.data());
    bool ok = map != nullptr;
    if (ok && transparentIndex >= 0)
        EGifSetGifVersion(gif, true);
    ok = ok && EGifPutScreenDesc(gif, width, height, bits, 0, map) == GIF_OK;
    if (ok && transparentIndex >= 0) {
        GraphicsControlBlock gcb {};
        gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
        gcb.TransparentColor = transparentIndex;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&gcb, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < height; ++y) {
        auto* line = const_cast<GifPixelType*>(indexes.data() + size_t(y) * size_t(width));
        ok = EGifPutLine(gif, line, width) == GIF_OK;
    }
    const int writeError = gif->Error;
    if (map)
        GifFreeMapObject(map);
    int closeError = 0;
    const bool closed = EGifCloseFile(gif, &closeError) == GIF_OK;
    if (!ok) {
        const char* reason = writeError ? GifErrorString(writeError) : "out of memory";
        return fail(error, QStringLiteral("GIF writer: %1").arg(reason ? reason : "failed"));
    }
    if (!closed)
        return fail(error, QStringLiteral("GIF writer: %1").arg(GifErrorString(closeError)));
    return true;
}

} // namespace

bool WriteGif(
    const QImage& source, QIODevice* device, QString* error, const std::atomic<bool>* stop)
{
    if (source.isNull())
        return fail(error, QStringLiteral("The image is empty."));
    if (const QString problem = FormatSizeProblem(source.size(), OutputFormat::Gif);
        !problem.isEmpty())
        return fail(error, problem);

    // The row reader understands the three 32-bit layouts a page or a loaded
    // picture comes in; anything else (RGB888, indexed) is smaller than those,
    // so converting it keeps us under two copies of the image.
    QImage converted;
    const QImage* image = &source;
    const auto format = source.format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32
        && format != QImage::Format_ARGB32_Premultiplied) {
        converted = source.convertToFormat(
            source.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        image = &converted;
    }

    std::unique_ptr<liq_attr, LiqDeleter> attr(liq_attr_create());
    if (!attr)
        return fail(error, QStringLiteral("GIF writer: the colour quantiser could not start."));
    liq_set_max_colors(attr.get(), 256);
    // At speed 8 the quantiser skips its whole-image edge and noise maps (two
    // bytes a pixel): a 1280 x 10000 page then needs about 17 MB beside the
    // picture instead of 53 MB, and is a fifth faster, with no difference in
    // text that we could see.
    liq_set_speed(attr.get(), 8);
    auto* stopFlag = const_cast<std::atomic<bool>*>(stop);
    liq_attr_set_progress_callback(attr.get(), goOn, stopFlag);
    std::unique_ptr<liq_image, LiqDeleter> liqImage(liq_image_create_custom(
        attr.get(), rgbaRow, const_cast<QImage*>(image), image->width(), image->height(), 0));
    if (!liqImage)
        return fail(error, QStringLiteral("GIF writer: the colour quantiser refused the image."));
    liq_result* rawResult = nullptr;
    if (liq_image_quantize(liqImage.get(), attr.get(), &rawResult) != LIQ_OK || !rawResult)
        return fail(error, QStringLiteral("GIF writer: no palette could be chosen for the image."));
    std::unique_ptr<liq_result, LiqDeleter> result(rawResult);
    liq_set_dithering_level(result.get(), 1.0f);
    liq_result_set_progress_callback(result.get(), goOn, stopFlag);

    std::vector<uchar> indexes;
    try {
        indexes.resize(size_t(image->width()) * size_t(image->height()));
    } catch (const std::bad_alloc&) {
        return fail(error, QStringLiteral("GIF writer: out of memory."));
    }
    if (liq_write_remapped_image(result.get(), liqImage.get(), indexes.data(), indexes.size())
        != LIQ_OK)
        return fail(
            error, QStringLiteral("GIF writer: the image could not be mapped to its palette."));
    const liq_palette* palette = liq_get_palette(result.get());
    return encode(*image, palette, indexes, device, error);
}
