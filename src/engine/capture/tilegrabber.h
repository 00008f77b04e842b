#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>
#include <cmath>
#include <vector>

class CaptureSteps;

// Takes one pass over a page laid out for its capture: scrolls from tile to tile,
// grabs each tile once the view shows it and copies it into one image.
//
// Every grab must prove that it shows the page at the scroll position it was taken
// for: the view is one pixel wider than the capture, and the script that scrolls
// also paints that last column in a colour of its own; a grab whose last column has
// another colour is an older frame and is taken again. A tile that never shows a
// current frame fails the pass, naming the part.
class TileGrabber : public QObject
{
    Q_OBJECT
public:
    explicit TileGrabber(CaptureSteps& steps, QObject* parent = nullptr);

    // Grabs a capture of `captureSize` in tiles of `tileHeight` (CSS pixels) from a
    // view already one column wider than the capture and one tile high, drawn at
    // `scale` image pixels per CSS pixel. Answers once: finished() or failed().
    void start(const QSize& captureSize, int tileHeight, double scale = 1);

    // `length` CSS pixels in image pixels at `scale`; the same rounding everywhere,
    // so that tiles meet without a gap.
    static int scaled(int length, double scale) { return int(std::lround(length * scale)); }
    // Lets go of the image of a pass that will not finish.
    void clear()
    {
        m_image = QImage();
        m_rowFilled.clear();
        m_running = false;
        ++m_markerSequence;
    }

    // `image` cut or padded with white to `height`; a null image when there is no
    // memory for it.
    static QImage toHeight(const QImage& image, int height);

signals:
    void finished(const QImage& image);
    void failed(const QString& reason);

private:
    void captureTile();
    void grabTile();
    void checkGrab(const QImage& grab);
    void whitenUnfilledRows();
    // Makes the image the tiles are copied into; false (and failed()) without
    // the memory for it.
    bool makeImage();
    // The `size` rows of `grab` from row `top` on, as an image of their own that
    // shares the grab's pixels.
    static QImage sharedRows(const QImage& grab, int top, const QSize& size);

    CaptureSteps& m_steps;
    QSize m_captureSize;
    int m_tileHeight = 0;
    double m_scale = 1;
    QList<int> m_tileTops;
    int m_tileIndex = 0;
    int m_tileScrollY = 0;
    int m_grabTries = 0;
    int m_markerSequence = 0;
    QRgb m_marker = 0;
    QSize m_imageSize;
    bool m_running = false;
    QImage m_image;
    // Rows of m_image a tile has filled; the others are painted white at the end.
    std::vector<bool> m_rowFilled;
};
