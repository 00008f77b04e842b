#pragma once

#include <QString>
#include <QStringList>
#include <atomic>

class QImage;

// Why SaveImageFile wrote nothing; the number appears in the fault text.
enum class ImageSaveFault {
    UnknownExtension = 1, // not one of "jpg", "png", "gif", "tiff", "bmp", "webp", "avif"
    EmptyImage = 2, // no picture to save
    UnsupportedOption = 3, // a TIFF colour depth or compression we cannot write
    CannotCreateFile = 4, // the temporary file beside the target could not be created
    EncodingFailed = 5, // the encoder gave up (too large, out of memory, disk full)
    CannotReplaceFile = 6, // the finished file could not take the target's place
    Stopped = 7, // asked to stop before the file was whole (see SaveImageFiles)
};

// SaveImageFile's numbers by name.
namespace ImageEncoding {
inline constexpr int BestQuality = 100; // JPEG quality: the best
inline constexpr int RgbDepth = 24; // TIFF colour depth: RGB
inline constexpr int RgbAlphaDepth = 32; // TIFF colour depth: RGB and alpha
inline constexpr int TiffUncompressed = 6; // TIFF compression: none
inline constexpr int TiffLzw = 2; // TIFF compression: LZW
// The PNG compression every page is written with, on Qt's 0 to 100 scale, and
// the zlib level Qt's PNG writer turns it into.
inline constexpr int PngCompression = 34;
inline constexpr int PngZlibLevel = PngCompression * 9 / 91;
} // namespace ImageEncoding

// Writes the picture as a file of the kind the lower-case extension word names:
//   "jpg"  JPEG at quality 0 (smallest) to 100 (best), values outside are clamped;
//   "png"  PNG, lossless;
//   "gif"  GIF with a 256-colour palette chosen for the image;
//   "tiff" TIFF; colorDepth RgbDepth or RgbAlphaDepth, compression
//          TiffUncompressed or TiffLzw; other values are refused;
//   "bmp"  Windows bitmap, 24 bits per pixel;
//   "webp" WebP, lossy at quality 0 to 99, lossless at 100;
//   "avif" AVIF at quality 0 to 100, 8 bits a channel, 4:4:4.
// quality only matters for "jpg", "webp" and "avif", colorDepth and compression
// only for "tiff".
// The file appears whole or not at all: it is written beside the target and
// renamed over it, so an existing file survives any failure. On failure
// *error holds the four-line fault text a message box can show as it is.
bool SaveImageFile(const QImage& image, const QString& fileName, const QString& extension,
    int quality, int colorDepth, int compression, QString* error);

// How a written file is finished.
enum class ImageFileCommit {
    // Beside the target, forced to the disk, then renamed over it: an existing
    // file survives any failure.
    Replace,
    // In place and left to the system's cache, removed on failure: for working
    // files that live for moments and that nobody reads after a failure.
    Scratch,
};

// The same picture, encoded once, in several files (BMP, PNG, JPEG, WebP and AVIF; other
// formats are encoded for each). Each appears whole or not at all, committed in
// the order given. A picture larger than its format holds (see imagesizelimits.h)
// is refused with that reason. When `stop` is set, from any thread, the encoder
// gives up within a band of rows and nothing is written (ImageSaveFault::Stopped).
bool SaveImageFiles(const QImage& image, const QStringList& fileNames, const QString& extension,
    int quality, int colorDepth, int compression, QString* error,
    ImageFileCommit commit = ImageFileCommit::Replace, const std::atomic<bool>* stop = nullptr);

// The fault text: "Error:Can't save Image File!!", an empty line, then the
// number and the detail.
QString ImageSaveFaultText(ImageSaveFault fault, const QString& detail);
