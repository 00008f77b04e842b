#include "core/imaging/thumbnailwriter.h"

#include "core/imaging/imagesizelimits.h"
#include "core/imaging/imagingcomponent.h"
#include "core/imaging/stampplacement.h"
#include "core/settings/settingreaders.h"

#include <QImageReader>
#include <QLocale>
#include <QtGlobal>

int ThumbnailSide(int side, double percent)
{
    return qMax(1, RoundHalfToEven(side * percent / 100.0));
}

bool WriteThumbnail(const SettingsSource& settingsFile, const QString& bitmapPath,
    const QString& thumbnailPath, QString* error)
{
    const double percent = ThumbnailPercentSetting(settingsFile);
    // A thumbnail is a JPEG: one taller or wider than a JPEG holds is refused
    // before the page is read, with what to change.
    const QSize pageSize = QImageReader(bitmapPath).size();
    if (pageSize.isValid()) {
        const QSize size(
            ThumbnailSide(pageSize.width(), percent), ThumbnailSide(pageSize.height(), percent));
        const ImageFormatLimit& jpeg = ImageFormatLimitOf(OutputFormat::Jpg);
        if (!FormatSizeProblem(size, OutputFormat::Jpg).isEmpty()) {
            if (error)
                *error = QStringLiteral("A thumbnail of %1 x %2 px is larger than a JPG holds "
                                        "(%3 px a side); choose a smaller thumbnail size")
                             .arg(size.width())
                             .arg(size.height())
                             .arg(QLocale(QLocale::English).toString(jpeg.maxHeight));
            return false;
        }
    }

    ImagingComponent picture;
    if (!picture.loadFile(bitmapPath, error))
        return false;
    const int width = ThumbnailSide(picture.imageWidth(), percent);
    const int height = ThumbnailSide(picture.imageHeight(), percent);
    if (!picture.resample(width, height, error))
        return false;
    return picture.saveFile(thumbnailPath, error);
}
