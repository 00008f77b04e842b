#include "thumbnailwriter.h"

#include "imagingcomponent.h"
#include "settings/settingreaders.h"
#include "stampplacement.h"

#include <QtGlobal>

int ThumbnailSide(int side, double percent)
{
    return qMax(1, RoundHalfToEven(side * percent / 100.0));
}

bool WriteThumbnail(const SettingsSource& settingsFile, const QString& bitmapPath,
    const QString& thumbnailPath, QString* error)
{
    const double percent = ThumbnailPercentSetting(settingsFile);

    ImagingComponent picture;
    if (!picture.loadFile(bitmapPath, error))
        return false;
    const int width = ThumbnailSide(picture.imageWidth(), percent);
    const int height = ThumbnailSide(picture.imageHeight(), percent);
    if (!picture.resample(width, height, error))
        return false;
    return picture.saveFile(thumbnailPath, error);
}
