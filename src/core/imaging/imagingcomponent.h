#pragma once

#include "core/imaging/stampcorner.h"
#include "core/imaging/textstyle.h"

#include <QImage>
#include <QString>

// One picture to scale, stamp and save: the pixel work behind watermarks and
// thumbnails. Positions are pixels from the top left corner, colours Windows
// RGB colour references (red in the low byte).
class ImagingComponent
{
public:
    // Reads a BMP, JPEG, GIF or PNG file (recognised by content); the picture
    // becomes current. Pages several tens of thousands of pixels high load.
    bool loadFile(const QString& path, QString* error = nullptr);
    // Writes the current picture in the format the file extension names
    // (".bmp", ".jpg"/".jpeg", ".png", ".gif", ".tif"/".tiff", any case),
    // replacing the file in one step.
    bool saveFile(const QString& path, QString* error = nullptr) const;
    void clear();
    bool isNull() const { return m_image.isNull(); }

    // Size of the picture as it was loaded.
    int imageWidth() const { return m_loadedSize.width(); }
    int imageHeight() const { return m_loadedSize.height(); }
    // Current size; setting it resamples the picture.
    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    bool setWidth(int width, QString* error = nullptr);
    bool setHeight(int height, QString* error = nullptr);
    // Smooth (area-averaging when shrinking) resample to the given size.
    bool resample(int width, int height, QString* error = nullptr);

    // Style of the next drawText.
    TextStyle& textStyle() { return m_textStyle; }
    const TextStyle& textStyle() const { return m_textStyle; }

    // Draws one line of text in the current style so that the given corner of
    // its (rotated) bounding box lies at x, y.
    bool drawText(int x, int y, const QString& text, StampCorner corner = StampCorner::TopLeft,
        QString* error = nullptr);
    // Blends another picture onto this one with the given corner at x, y.
    // opacity 0 (invisible) to 1; pixels whose red, green and blue each lie
    // within deviation (0 to 255) of transparentColor are left out, so the
    // page shows through them.
    bool drawPicture(int x, int y, const ImagingComponent& picture, double opacity,
        double transparentColor, double deviation, StampCorner corner = StampCorner::TopLeft,
        QString* error = nullptr);

    const QImage& image() const { return m_image; }
    // Takes a picture that is already in memory, as if it had been loaded.
    void setImage(const QImage& image);

private:
    void adoptImage(QImage image);

    QImage m_image;
    QSize m_loadedSize;
    TextStyle m_textStyle;
};
