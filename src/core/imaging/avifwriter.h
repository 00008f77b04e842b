#pragma once

#include <QString>
#include <atomic>

class QImage;
class QIODevice;

// Writes the image as an AVIF file at `quality` (0 to 100, clamped; 100 is the
// finest quantiser), 8 bits a channel in 4:4:4, so that a screenshot's text keeps
// its colour edges. AVIF's limit on a side is in imagesizelimits.h. `stop` is
// looked at before and after the encoding, which the codec cannot interrupt.
bool WriteAvif(const QImage& image, QIODevice* device, int quality, QString* error,
    const std::atomic<bool>* stop = nullptr);
