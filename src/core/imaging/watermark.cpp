#include "watermark.h"

#include "imagingcomponent.h"
#include "settings/inifile.h"
#include "settings/settingreaders.h"
#include "stampplacement.h"

#include <QFileInfo>

namespace {

const QString Section = QStringLiteral("watermark");

QString text(const QString& file, const char* key)
{
    return ReadSetting(file, Section, QLatin1String(key));
}

double number(const QString& file, const char* key)
{
    return ReadLeadingNumber(file, Section, QLatin1String(key));
}

bool samePath(const QString& a, const QString& b)
{
    return a == b || QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

// Leaves the page without a stamp; a different target still receives it, so
// the next step of the conversion finds its file.
bool keepPage(
    ImagingComponent& page, const QString& sourcePath, const QString& targetPath, QString* error)
{
    if (samePath(sourcePath, targetPath))
        return true;
    if (page.isNull() && !page.loadFile(sourcePath, error))
        return false;
    return page.saveFile(targetPath, error);
}

} // namespace

bool ApplyTextWatermark(const QString& settingsFile, const QString& sourcePath,
    const QString& targetPath, QString* error)
{
    ImagingComponent page;
    const QString watermarkText = text(settingsFile, "watertext");
    if (watermarkText.isEmpty())
        return keepPage(page, sourcePath, targetPath, error);

    const double place = number(settingsFile, "Twz");
    const double distanceX = number(settingsFile, "Tx");
    const double distanceY = number(settingsFile, "Ty");
    const double size = number(settingsFile, "Tsize");
    const double quality = number(settingsFile, "TQuality");
    const QString font = text(settingsFile, "Tfont");
    const double rotation = number(settingsFile, "TRotate");
    const double transparency = number(settingsFile, "Ttransparency");
    const double color = number(settingsFile, "textcolor");

    if (!page.loadFile(sourcePath, error))
        return false;
    const StampPlacement at
        = PlaceStamp(place, distanceX, distanceY, page.imageWidth(), page.imageHeight());
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

bool ApplyPictureWatermark(const QString& settingsFile, const QString& sourcePath,
    const QString& targetPath, QString* error, QString* remark)
{
    if (remark)
        remark->clear();
    ImagingComponent page;
    const QString stampPath = text(settingsFile, "waterimage");
    if (stampPath.isEmpty())
        return keepPage(page, sourcePath, targetPath, error);

    const double place = number(settingsFile, "Iwz");
    const double distanceX = number(settingsFile, "Ix");
    const double distanceY = number(settingsFile, "Iy");
    const double transparentColor = number(settingsFile, "Itransparency");
    const double deviation = number(settingsFile, "IDeviation");
    const double opacity = number(settingsFile, "IOpacity");

    if (!page.loadFile(sourcePath, error))
        return false;
    ImagingComponent stamp;
    QString stampError;
    if (!stamp.loadFile(stampPath, &stampError)) {
        if (!keepPage(page, sourcePath, targetPath, error))
            return false;
        if (remark)
            *remark = QStringLiteral("Watermark picture not applied. %1").arg(stampError);
        return true;
    }
    const StampPlacement at
        = PlaceStamp(place, distanceX, distanceY, page.imageWidth(), page.imageHeight());
    if (!page.drawPicture(
            at.x, at.y, stamp, opacity / 100.0, transparentColor, deviation, at.corner, error))
        return false;
    return page.saveFile(targetPath, error);
}
