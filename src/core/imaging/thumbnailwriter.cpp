#include "thumbnailwriter.h"

#include "imagingcomponent.h"
#include "settings/settingreaders.h"
#include "stampplacement.h"

#include <QtGlobal>

namespace {

constexpr double DefaultPercent = 25.0;

} // namespace

int ThumbnailSide(int side, double percent)
{
    return qMax(1, RoundHalfToEven(side * percent / 100.0));
}

bool WriteThumbnail(const QString& settingsFile, const QString& bitmapPath,
    const QString& thumbnailPath, QString* error)
{
    double percent
        = ReadLeadingNumber(settingsFile, QStringLiteral("set"), QStringLiteral("imagesize"));
    if (!(percent > 0.0))
        percent = DefaultPercent;
    percent = qMin(percent, 100.0);

    ImagingComponent picture;
    if (!picture.loadFile(bitmapPath, error))
        return false;
    const int width = ThumbnailSide(picture.imageWidth(), percent);
    const int height = ThumbnailSide(picture.imageHeight(), percent);
    if (!picture.resample(width, height, error))
        return false;
    return picture.saveFile(thumbnailPath, error);
}
