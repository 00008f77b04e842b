#pragma once

#include <QImage>
#include <QList>
#include <QMetaType>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QVariant>

// The page's size as the document object model reports it, read before the
// capture changes any style.
struct BodyMetrics
{
    bool hasBody = false;
    bool quirksMode = false;
    double scrollWidth = 0, offsetWidth = 0, clientWidth = 0;
    double scrollHeight = 0, offsetHeight = 0, clientHeight = 0;
    // The root element's scrolled size: the document's full size in either mode.
    double documentWidth = 0, documentHeight = 0;
    double viewportWidth = 0, viewportHeight = 0;

    static BodyMetrics fromVariant(const QVariant& value);
};

Q_DECLARE_METATYPE(BodyMetrics)

// Blank strip kept at the right and bottom of every capture (200 twips).
inline constexpr int CaptureStripPixels = 13;

// Page size in CSS pixels: the body's scrolled content plus the width of its own
// border and scroll bar. In quirks mode the body's client height is the viewport,
// not the body, so that frame term would nearly double the page; there the root's
// scrolled size alone is right. Never less than the document's scrolled size.
QSizeF PageSizeFromMetrics(const BodyMetrics& metrics);

// The image size for a page size: the page plus the strip on each axis.
QSize CaptureSizeForPage(const QSizeF& pageSize);

// Whether an image of `captureSize` can be held (4 bytes a pixel) and drawn, in
// any format (see CaptureSizeProblem).
bool CaptureFits(const QSize& captureSize);

// The capture height a page measured again after it reflowed at the capture width
// takes, against `measuredHeight` from before. A page no taller than the view may
// be shorter than measured, but that cannot be seen (the root's scrolled size is
// never less than the view), and it fits anyway; any other page takes its height
// there, longer or shorter.
int ReflowedCaptureHeight(const BodyMetrics& metrics, int measuredHeight);

// The capture height of a page measured again after its last tile: the page's
// height now, or `capturedHeight` for a page no taller than the view (that reads
// as the view's height, and it fits).
int FinalCaptureHeight(const BodyMetrics& metrics, int capturedHeight);

// Tops of the tiles that cover `totalHeight` with views of `tileHeight`.
QList<int> TileTops(int totalHeight, int tileHeight);

// Tile height for a capture `width` pixels wide: tall enough to need few tiles,
// small enough that one tile stays within what a view renders reliably.
int TileHeightForWidth(int width);

// Tile height for a capture: the whole capture when it fits in one tile.
int TileHeightForCapture(const QSize& captureSize);

// Colour of the frame marker painted for grab request `sequence`: neighbouring
// requests get clearly different colours, so a frame left over from an earlier
// request can never pass for a later one.
QRgb FrameMarkerColor(int sequence);

// Whether a grab of a view `markerColumn` + 1 pixels wide shows the frame marker in
// `colour` down its whole last column: then it is the frame drawn after the script
// that painted the marker, at the view's full size.
bool GrabCarriesMarker(const QImage& grab, int markerColumn, QRgb colour);

// Where the rows of the tile that starts at `top` lie in a grab taken at scroll
// position `scrollY`: the page may scroll less far than asked near its end.
struct TileRows
{
    int grabTop = 0; // first row in the grab
    int rows = 0; // rows to copy; 0 when the grab holds none of the tile
};
TileRows TileRowsInGrab(int top, int scrollY, int tileHeight, int captureHeight);

// How the grab of the tile that starts at `top`, taken at scroll position
// `scrollY`, goes into a capture of `captureSize`: the rectangle `source` of the
// grab is drawn at `target`. `source` is empty when the grab holds none of the tile.
struct TileCopy
{
    QRect source;
    QPoint target;
};
TileCopy TileCopyFromGrab(int top, int scrollY, int tileHeight, const QSize& captureSize);
