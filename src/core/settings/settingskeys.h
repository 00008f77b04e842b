#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Every key of settings.dat in one table: its section, its name in the file, how
// its text is read and its default. Code names a setting by the enum and reads
// and writes it through settingreaders.h; no other file spells a key's name.

namespace SettingsSection {
inline const QString Set = QStringLiteral("set");
inline const QString Watermark = QStringLiteral("watermark");
inline const QString Capture = QStringLiteral("capture");
} // namespace SettingsSection

// In the table's order: section "set" first, then "watermark", each in the
// order the settings dialog writes them; keys added later follow at the end, and
// "capture", which the dialog's first two tabs never write, comes last.
enum class Setting {
    OutputType,
    OutputFormat,
    Quality,
    OutputFolder,
    FileName,
    DateTime,
    FileOption,
    ExistedFile,
    Timeout,
    Delay,
    Scripts,
    Java,
    ActiveX,
    Thumbnail,
    ImageSize,
    TextWatermark,
    WaterText,
    TextPlace,
    TextX,
    TextY,
    TextSize,
    TextQuality,
    TextFont,
    TextRotate,
    TextTransparency,
    TextColor,
    ImageWatermark,
    WaterImage,
    ImagePlace,
    ImageX,
    ImageY,
    ImageTransparency,
    ImageDeviation,
    ImageOpacity,
    PagesAtOnce,
    Engine,
    ChromiumPath,
    ViewportWidth,
    ViewportHeight,
    Scale,
    ViewportOnly,
    Selector,
    WaitFor,
    ExtraWait,
    Hide,
    HideCookieBanners,
    UserAgent,
    ColorScheme,
    Media,
    Inputs,
    PdfPaper,
    PdfLandscape,
    PdfMargin,
    PdfBackground,
    PdfHeaderFooter,
    Header,
    HeaderEverywhere,
    Cookies,
    Auth,
    AuthFile,
    Proxy,
    IgnoreHttpsErrors,
    JavaScript,
    Style,
    MarkdownAll,
};
inline constexpr int SettingCount = int(Setting::MarkdownAll) + 1;

// How the stored text is interpreted by its readers.
enum class SettingKind {
    Text, // used as stored
    TextWithDefault, // empty after trimming -> the default
    Folder, // empty -> the application folder
    NumberWithDefault, // empty or 0 -> the default
    Choice, // "0" or empty -> first choice, anything else -> second
    Flag, // on exactly for "1"
    Number, // leading decimal number, empty -> 0
    Colour, // RGB reference (red in the low byte) as a leading number, empty -> 0 (black)
};

// Who applies a key's default to an empty value.
enum class DefaultScope {
    Everywhere,
    DialogOnly, // the conversion reads an empty value as stored
    ConversionOnly, // the dialog shows an empty value as it is
};

// Who writes a key.
enum class SettingWriter {
    DialogOk, // the settings dialog's OK, in table order
    Picker, // its picker, the moment a value is chosen, so Cancel keeps it
    PickerAndDialogOk, // both
};

struct SettingKey
{
    Setting setting;
    QString section;
    QString name; // exactly as the settings dialog writes it
    SettingKind kind;
    QString defaultValue; // the documented default; empty when there is none
    DefaultScope defaultScope;
    SettingWriter writer;
};

// The values a number key documents (the settings window's sliders and lists, the
// manual): from minimum to maximum, both included.
struct SettingRange
{
    double minimum;
    double maximum;
};

// The documented range of a number or colour key, or nothing for keys without
// one. A settings file's value outside it is clamped where it is read; a value
// typed for one run is refused instead.
std::optional<SettingRange> DocumentedRange(Setting setting);

// The words a text key takes (besides empty, its default), lower case, or an
// empty list for keys that take any text.
QStringList DocumentedChoices(Setting setting);

// All keys, in the enum's order.
const QList<SettingKey>& AllSettingKeys();
const SettingKey& KeyOf(Setting setting);

// The key of that name in any section (case-insensitive and around blanks,
// like the file), or nothing.
std::optional<Setting> FindSetting(const QString& name);

// The keys the settings dialog's OK writes, one after the other, in this order.
QList<Setting> SettingsDialogWriteOrder();
