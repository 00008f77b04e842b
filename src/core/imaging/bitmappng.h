#pragma once

#include <QString>
#include <atomic>

class QIODevice;
class QImage;

// Writes an opaque 32-bit picture (QImage::Format_RGB32) to `device` as an 8-bit
// RGB PNG, as every page's PNG is written. False for any other picture, or when
// the device refuses the bytes.
bool WritePictureAsPng(const QImage& picture, QIODevice* device);

// Writes the 24-bit Windows bitmap at bitmapPath as a PNG at pngPath: the same
// bytes WritePictureAsPng makes of the picture the bitmap holds, read a band of
// rows at a time, so that the picture is never held whole in memory while it
// is compressed. The PNG appears whole or not at all. A bitmap taller or wider
// than a PNG holds fails with that reason; when `stop` is set, from any thread,
// the writing gives up within a band of rows.
enum class BitmapPngResult {
    Written,
    NotThisBitmap, // not an uncompressed 24-bit bitmap: nothing was written
    Failed, // *error says why; nothing was written
};
BitmapPngResult SaveBitmapAsPng(const QString& bitmapPath, const QString& pngPath, QString* error,
    const std::atomic<bool>* stop = nullptr);
