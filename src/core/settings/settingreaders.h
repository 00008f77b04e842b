#pragma once

#include <QString>

// Typed readers over ReadSetting. Each call reads the file at that moment, so
// a change saved by the settings dialog applies from the next read on.

// The stored text; a value empty after trimming gives defaultValue.
QString ReadTextSetting(
    const QString& file, const QString& section, const QString& key, const QString& defaultValue);

// The leading whole number of the stored text; empty, "0" or anything whose
// leading number is 0 gives defaultValue.
int ReadNumberSetting(
    const QString& file, const QString& section, const QString& key, int defaultValue);

// On exactly when the stored text is "1".
bool ReadFlagSetting(const QString& file, const QString& section, const QString& key);

// 0 (the first choice) for "0" or empty, 1 for anything else.
int ReadChoiceSetting(const QString& file, const QString& section, const QString& key);

// The leading decimal number of the stored text; 0 when empty or not a number.
double ReadLeadingNumber(const QString& file, const QString& section, const QString& key);

// The leading decimal number of a text: optional blanks, an optional sign,
// digits and an optional fraction ("12abc" -> 12, "-3.5" -> -3.5). 0 when the
// text does not start with a number.
double LeadingNumber(const QString& text);

// "outputfolder"; empty means the application folder.
QString OutputFolderSetting(const QString& file, const QString& applicationFolder);

// "timeout" in seconds; empty, 0 or negative means 60, and more than a day
// (MaxTimeoutSeconds) is a day, so the time in milliseconds fits an int.
int TimeoutSecondsSetting(const QString& file);
inline constexpr int MaxTimeoutSeconds = 24 * 60 * 60;

// "quality" of JPEG files, 0 to 100: the nearest whole number (halves to
// even), anything below 0 gives 0 and anything above 100 gives 100.
int QualitySetting(const QString& file);
