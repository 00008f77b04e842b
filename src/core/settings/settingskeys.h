#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Every key of settings.dat in one table, so the dialog, the conversion and
// the tests agree on names, kinds and what an empty value means.

namespace SettingsSection {
inline const QString Set = QStringLiteral("set");
inline const QString Watermark = QStringLiteral("watermark");
} // namespace SettingsSection

// How the stored text is interpreted by its readers.
enum class SettingKind {
    Text, // used as stored
    TextWithDefault, // empty after trimming -> defaultValue
    Folder, // empty -> the application folder
    NumberWithDefault, // empty or 0 -> defaultValue
    Choice, // "0" or empty -> first choice, anything else -> second
    Flag, // on exactly for "1"
    Number, // leading decimal number, empty -> 0
    Colour, // RGB reference (red in the low byte) as a leading number, empty -> 0 (black)
};

struct SettingKey
{
    QString section;
    QString name; // exactly as the settings dialog writes it
    SettingKind kind;
    QString defaultValue; // for TextWithDefault and NumberWithDefault
    bool defaultInDialogOnly; // the conversion reads an empty value as stored
};

// All keys, section "set" first, in the order the settings dialog writes them.
const QList<SettingKey>& AllSettingKeys();

// The key of that name in any section (case-insensitive, like the file), or null.
const SettingKey* FindSettingKey(const QString& name);

// The keys the settings dialog's OK writes, one after the other, in this order.
// "textcolor", "Itransparency" and "waterimage" are written by their pickers
// the moment a value is chosen; see ImmediatelyWrittenSettingKeys().
const QStringList& SettingsDialogWriteOrder();
const QStringList& ImmediatelyWrittenSettingKeys();

// Names as written to the file, for callers that read a single key.
namespace SettingName {
inline const QString OutputFolder = QStringLiteral("outputfolder");
inline const QString FileName = QStringLiteral("filename");
inline const QString DateTime = QStringLiteral("datetime");
inline const QString FileOption = QStringLiteral("fileoption");
inline const QString ExistedFile = QStringLiteral("existedfile");
inline const QString OutputType = QStringLiteral("outputtype");
inline const QString OutputFormat = QStringLiteral("outputformat");
inline const QString Quality = QStringLiteral("quality");
inline const QString Timeout = QStringLiteral("timeout");
inline const QString Delay = QStringLiteral("delay");
inline const QString Scripts = QStringLiteral("Scripts");
inline const QString Java = QStringLiteral("JAVA");
inline const QString ActiveX = QStringLiteral("ActiveX");
inline const QString Thumbnail = QStringLiteral("Thumbnail");
inline const QString ImageSize = QStringLiteral("imagesize");
inline const QString TextWatermark = QStringLiteral("textwatermark");
inline const QString WaterText = QStringLiteral("watertext");
inline const QString TextPlace = QStringLiteral("Twz");
inline const QString TextX = QStringLiteral("Tx");
inline const QString TextY = QStringLiteral("Ty");
inline const QString TextSize = QStringLiteral("Tsize");
inline const QString TextQuality = QStringLiteral("TQuality");
inline const QString TextFont = QStringLiteral("Tfont");
inline const QString TextRotate = QStringLiteral("TRotate");
inline const QString TextTransparency = QStringLiteral("Ttransparency");
inline const QString TextColor = QStringLiteral("textcolor");
inline const QString ImageWatermark = QStringLiteral("imagewatermark");
inline const QString WaterImage = QStringLiteral("waterimage");
inline const QString ImagePlace = QStringLiteral("Iwz");
inline const QString ImageX = QStringLiteral("Ix");
inline const QString ImageY = QStringLiteral("Iy");
inline const QString ImageTransparency = QStringLiteral("Itransparency");
inline const QString ImageDeviation = QStringLiteral("IDeviation");
inline const QString ImageOpacity = QStringLiteral("IOpacity");
} // namespace SettingName
