#include "core/settings/settingreaders.h"

#include "core/settings/inifile.h"

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

QString Stored(const SettingsSource& file, Setting setting)
{
    const SettingKey& key = KeyOf(setting);
    return file.read(key.section, key.name);
}

bool DefaultApplies(const SettingKey& key, SettingReader reader)
{
    switch (key.defaultScope) {
    case DefaultScope::DialogOnly:
        return reader == SettingReader::Dialog;
    case DefaultScope::ConversionOnly:
        return reader == SettingReader::Conversion;
    case DefaultScope::Everywhere:
        break;
    }
    return true;
}

} // namespace

QString ReadTextSetting(const SettingsSource& file, Setting setting, SettingReader reader)
{
    const QString value = Stored(file, setting).trimmed();
    const SettingKey& key = KeyOf(setting);
    return value.isEmpty() && DefaultApplies(key, reader) ? key.defaultValue : value;
}

int ReadNumberSetting(const SettingsSource& file, Setting setting)
{
    // "00" or "abc" would otherwise turn a time-out into zero seconds.
    const int number = ClampToInt(ReadLeadingNumber(file, setting));
    return number == 0 ? KeyOf(setting).defaultValue.toInt() : number;
}

bool ReadFlagSetting(const SettingsSource& file, Setting setting)
{
    return Stored(file, setting) == QLatin1String("1");
}

int ReadChoiceSetting(const SettingsSource& file, Setting setting)
{
    const QString value = Stored(file, setting);
    return (value.isEmpty() || value == QLatin1String("0")) ? 0 : 1;
}

double ReadLeadingNumber(const SettingsSource& file, Setting setting)
{
    return LeadingNumber(Stored(file, setting));
}

bool WriteSetting(const QString& file, Setting setting, const QString& value, QString* error)
{
    const SettingKey& key = KeyOf(setting);
    return WriteSetting(file, key.section, key.name, value, error);
}

QString SwitchText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
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

QString OutputFolderSetting(const SettingsSource& file, const QString& applicationFolder)
{
    const QString folder = ReadTextSetting(file, Setting::OutputFolder);
    return folder.isEmpty() ? applicationFolder : folder;
}

int TimeoutSecondsSetting(const SettingsSource& file)
{
    const int seconds = ReadNumberSetting(file, Setting::Timeout);
    return seconds > 0 ? qMin(seconds, MaxTimeoutSeconds)
                       : KeyOf(Setting::Timeout).defaultValue.toInt();
}

int QualitySetting(const SettingsSource& file)
{
    // Clamped before the conversion to int: a huge value must not wrap round.
    const double quality = qBound(0.0, ReadLeadingNumber(file, Setting::Quality), 100.0);
    return int(std::nearbyint(quality));
}

double ThumbnailPercentSetting(const SettingsSource& file)
{
    const double percent = ReadLeadingNumber(file, Setting::ImageSize);
    if (!(percent > 0.0))
        return KeyOf(Setting::ImageSize).defaultValue.toDouble();
    return qMin(percent, 100.0);
}
