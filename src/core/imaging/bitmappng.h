#pragma once

#include <QString>

// Writes the 24-bit Windows bitmap at bitmapPath as a PNG at pngPath: the same
// bytes Qt's PNG writer makes of the picture the bitmap holds, read a band of
// rows at a time, so that the picture is never held whole in memory while it
// is compressed. The PNG appears whole or not at all.
enum class BitmapPngResult {
    Written,
    NotThisBitmap, // not an uncompressed 24-bit bitmap: nothing was written
    Failed, // *error says why; nothing was written
};
BitmapPngResult SaveBitmapAsPng(const QString& bitmapPath, const QString& pngPath, QString* error);
