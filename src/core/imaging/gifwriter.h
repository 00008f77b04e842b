#pragma once

#include <QString>

class QImage;
class QIODevice;

// Writes the image as a single-frame GIF with a 256-colour palette chosen for
// this image (libimagequant), so that the anti-aliased text of a screenshot
// keeps its shades instead of being forced into a fixed colour cube. Pixels
// that are more than half transparent become the GIF's transparent colour.
bool WriteGif(const QImage& image, QIODevice* device, QString* error);
