#include "core/imaging/watermark.h"

#include "core/imaging/imagingcomponent.h"
#include "core/imaging/stampplacement.h"
#include "core/settings/settingreaders.h"

#include <QFileInfo>

namespace {

bool SamePath(const QString& a, const QString& b)
{
    return a == b || QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

// Where a stamp's place keys put it: a corner or a given spot, with distances.
struct StampSpot
{
    double place;
    double x;
    double y;
};

StampSpot ReadSpot(const SettingsSource& file, Setting place, Setting x, Setting y)
{
    return { ReadLeadingNumber(file, place), ReadLeadingNumber(file, x),
        ReadLeadingNumber(file, y) };
}

StampPlacement PlaceOn(const ImagingComponent& page, const StampSpot& spot)
{
    return PlaceStamp(spot.place, spot.x, spot.y, page.imageWidth(), page.imageHeight());
}

// Leaves the page without a stamp; a different target still receives it, so
// the next step of the conversion finds its file.
bool KeepPage(
    ImagingComponent& page, const QString& sourcePath, const QString& targetPath, QString* error)
{
    if (SamePath(sourcePath, targetPath))
        return true;
    if (page.isNull() && !page.loadFile(sourcePath, error))
        return false;
    return page.saveFile(targetPath, error);
}

} // namespace

bool ApplyTextWatermark(const SettingsSource& settingsFile, const QString& sourcePath,
    const QString& targetPath, QString* error)
{
    ImagingComponent page;
    const QString watermarkText = ReadTextSetting(settingsFile, Setting::WaterText);
    if (watermarkText.isEmpty())
        return KeepPage(page, sourcePath, targetPath, error);

    const StampSpot spot
        = ReadSpot(settingsFile, Setting::TextPlace, Setting::TextX, Setting::TextY);
    const double size = ReadLeadingNumber(settingsFile, Setting::TextSize);
    const double quality = ReadLeadingNumber(settingsFile, Setting::TextQuality);
    const QString font = ReadTextSetting(settingsFile, Setting::TextFont);
    const double rotation = ReadLeadingNumber(settingsFile, Setting::TextRotate);
    const double transparency = ReadLeadingNumber(settingsFile, Setting::TextTransparency);
    const double color = ReadLeadingNumber(settingsFile, Setting::TextColor);

    if (!page.loadFile(sourcePath, error))
        return false;
    const StampPlacement at = PlaceOn(page, spot);
    TextStyle& style = page.textStyle();
    style.color = quint32(RoundHalfToEven(color)) & 0xffffffu;
    style.fontName = font;
    style.fontSize = RoundHalfToEven(size);
    style.textQuality = RoundHalfToEven(quality);
    style.rotation = RoundHalfToEven(rotation);
    style.transparency = float(transparency / 100.0);
    if (!page.drawText(at.x, at.y, watermarkText, at.corner, error))
        return false;
    return page.saveFile(targetPath, error);
}

bool ApplyPictureWatermark(const SettingsSource& settingsFile, const QString& sourcePath,
    const QString& targetPath, QString* error, QString* remark)
{
    if (remark)
        remark->clear();
    ImagingComponent page;
    const QString stampPath = ReadTextSetting(settingsFile, Setting::WaterImage);
    if (stampPath.isEmpty())
        return KeepPage(page, sourcePath, targetPath, error);

    const StampSpot spot
        = ReadSpot(settingsFile, Setting::ImagePlace, Setting::ImageX, Setting::ImageY);
    const double transparentColor = ReadLeadingNumber(settingsFile, Setting::ImageTransparency);
    const double deviation = ReadLeadingNumber(settingsFile, Setting::ImageDeviation);
    const double opacity = ReadLeadingNumber(settingsFile, Setting::ImageOpacity);

    if (!page.loadFile(sourcePath, error))
        return false;
    ImagingComponent stamp;
    QString stampError;
    if (!stamp.loadFile(stampPath, &stampError)) {
        if (!KeepPage(page, sourcePath, targetPath, error))
            return false;
        if (remark)
            *remark = QStringLiteral("Watermark picture not applied. %1").arg(stampError);
        return true;
    }
    const StampPlacement at = PlaceOn(page, spot);
    if (!page.drawPicture(
            at.x, at.y, stamp, opacity / 100.0, transparentColor, deviation, at.corner, error))
        return false;
    return page.saveFile(targetPath, error);
}
