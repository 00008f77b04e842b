#pragma once

#include <QString>
#include <atomic>

class QImage;
class QIODevice;

// Writes the image as a WebP file: lossy at `quality` (0 to 100, clamped), and
// lossless at 100, where a screenshot's text and flat colours lose nothing.
// WebP holds at most 16,383 px a side (see imagesizelimits.h). Gives up as soon
// as it sees `stop` set.
bool WriteWebp(const QImage& image, QIODevice* device, int quality, QString* error,
    const std::atomic<bool>* stop = nullptr);
