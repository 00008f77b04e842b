#pragma once

#include <QString>
#include <atomic>

class QImage;
class QIODevice;

// Writes the image as a single-frame GIF with a 256-colour palette chosen for
// this image (libimagequant), so that the anti-aliased text of a screenshot
// keeps its shades instead of being forced into a fixed colour cube. Pixels
// that are more than half transparent become the GIF's transparent colour. Gives
// up as soon as it sees `stop` set.
bool WriteGif(const QImage& image, QIODevice* device, QString* error,
    const std::atomic<bool>* stop = nullptr);
