#pragma once

#include "core/settings/outputformats.h"

#include <QSize>
#include <QString>
#include <optional>

// The largest pictures Pagelith makes, in one table: what any capture can be
// (held in memory at 4 bytes a pixel and drawn by the engine), and what each image
// format's file can hold. A page is checked when its capture is sized, so that a
// picture its format cannot hold fails at once with the true reason, and again by
// the encoders.
namespace ImageSizeLimits {
// Any capture: its area (4 bytes a pixel, so about a gigabyte) and its width.
inline constexpr qint64 MaxPixels = 250'000'000;
inline constexpr int MaxWidth = 32000;
} // namespace ImageSizeLimits

struct ImageFormatLimit
{
    OutputFormat format;
    // The widest and tallest picture the format's file can hold.
    int maxWidth = 0;
    int maxHeight = 0;
};

// The formats that make a picture file, each with its limit.
const QList<ImageFormatLimit>& ImageFormatLimits();
// The limit of an image format; for any other (a PDF, the text) that of the
// bitmap the page is captured into.
const ImageFormatLimit& ImageFormatLimitOf(OutputFormat format);

// Why no capture can be `size` (too wide, too large, or empty), or an empty text.
QString CaptureSizeProblem(const QSize& size);

// Why a picture of `size` cannot be written as `format`, naming the formats that
// can hold it ("JPG cannot hold an image taller than 65,500 px; choose PNG or
// TIFF"), or an empty text.
QString FormatSizeProblem(const QSize& size, OutputFormat format);
// The same for the encoders' lower-case extension words ("jpg", "png", ...); an
// unknown word has no limit here.
QString FormatSizeProblem(const QSize& size, const QString& extension);

// Why a page captured at `size` cannot be written as `format`: the first of
// CaptureSizeProblem and FormatSizeProblem, or an empty text.
QString ImageSizeProblem(const QSize& size, OutputFormat format);
