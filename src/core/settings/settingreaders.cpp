#include "settingreaders.h"

#include "settings/inifile.h"
#include "settings/settingskeys.h"

#include <cmath>
#include <limits>

namespace {

int ClampToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(value);
}

} // namespace

QString ReadTextSetting(
    const QString& file, const QString& section, const QString& key, const QString& defaultValue)
{
    const QString value = ReadSetting(file, section, key).trimmed();
    return value.isEmpty() ? defaultValue : value;
}

int ReadNumberSetting(
    const QString& file, const QString& section, const QString& key, int defaultValue)
{
    // "00" or "abc" would otherwise turn a time-out into zero seconds.
    const int number = ClampToInt(LeadingNumber(ReadSetting(file, section, key)));
    return number == 0 ? defaultValue : number;
}

bool ReadFlagSetting(const QString& file, const QString& section, const QString& key)
{
    return ReadSetting(file, section, key) == QLatin1String("1");
}

int ReadChoiceSetting(const QString& file, const QString& section, const QString& key)
{
    const QString value = ReadSetting(file, section, key);
    return (value.isEmpty() || value == QLatin1String("0")) ? 0 : 1;
}

double ReadLeadingNumber(const QString& file, const QString& section, const QString& key)
{
    return LeadingNumber(ReadSetting(file, section, key));
}

double LeadingNumber(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t')))
        ++i;
    const qsizetype start = i;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    qsizetype digits = 0;
    while (i < n && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9')) {
        ++i;
        ++digits;
    }
    if (i < n && text.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < n && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9')) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    return ok ? value : 0.0;
}

QString OutputFolderSetting(const QString& file, const QString& applicationFolder)
{
    return ReadTextSetting(
        file, SettingsSection::Set, SettingName::OutputFolder, applicationFolder);
}

int TimeoutSecondsSetting(const QString& file)
{
    const int seconds = ReadNumberSetting(file, SettingsSection::Set, SettingName::Timeout, 60);
    return seconds > 0 ? qMin(seconds, MaxTimeoutSeconds) : 60;
}

int QualitySetting(const QString& file)
{
    // Clamped before the conversion to int: a huge value must not wrap round.
    const double quality
        = qBound(0.0, ReadLeadingNumber(file, SettingsSection::Set, SettingName::Quality), 100.0);
    return int(std::nearbyint(quality));
}
