#pragma once

#include "core/settings/settingskeys.h"
#include "core/settings/settingssource.h"

#include <QString>

// Typed readers and the one writer over the key table (settingskeys.h). Each
// call given a file's name reads the file at that moment, so a change saved by
// the settings dialog applies from the next read on; given a snapshot
// (SettingsSource::snapshot), it reads the settings as they were when it was taken.

// Who reads: some defaults apply only where a value is shown, some only where
// it is used (the table's DefaultScope).
enum class SettingReader { Conversion, Dialog };

// The stored text; a value empty after trimming gives the key's default when
// its scope covers the reader, else it stays empty.
QString ReadTextSetting(
    const SettingsSource& file, Setting setting, SettingReader reader = SettingReader::Conversion);

// The leading whole number of the stored text; empty, "0" or anything whose
// leading number is 0 gives the key's default.
int ReadNumberSetting(const SettingsSource& file, Setting setting);

// On exactly when the stored text is "1".
bool ReadFlagSetting(const SettingsSource& file, Setting setting);

// 0 (the first choice) for "0" or empty, 1 for anything else.
int ReadChoiceSetting(const SettingsSource& file, Setting setting);

// The leading decimal number of the stored text; 0 when empty or not a number.
double ReadLeadingNumber(const SettingsSource& file, Setting setting);

// Stores the value under the key's section and name; false, with the reason,
// when the file cannot be written (see inifile.h).
bool WriteSetting(const QString& file, Setting setting, const QString& value, QString* error);

// How a flag or a choice is stored: "1" or "0".
QString SwitchText(bool on);

// The leading decimal number of a text: optional blanks, an optional sign,
// digits and an optional fraction ("12abc" -> 12, "-3.5" -> -3.5). 0 when the
// text does not start with a number.
double LeadingNumber(const QString& text);

// Setting::OutputFolder; empty means the application folder.
QString OutputFolderSetting(const SettingsSource& file, const QString& applicationFolder);

// Setting::Timeout in seconds; empty, 0 or negative means its default, and more than a
// day (MaxTimeoutSeconds) is a day, so the time in milliseconds fits an int.
int TimeoutSecondsSetting(const SettingsSource& file);
inline constexpr int MaxTimeoutSeconds = 24 * 60 * 60;

// Setting::Quality of JPEG files, 0 to 100: the nearest whole number (halves to
// even), anything below 0 gives 0 and anything above 100 gives 100.
int QualitySetting(const SettingsSource& file);

// Setting::ImageSize, the thumbnail's percentage of the page: empty, 0 or negative
// means its default (25), more than 100 is 100, since a thumbnail never
// outgrows its page. Fractions are kept.
double ThumbnailPercentSetting(const SettingsSource& file);
