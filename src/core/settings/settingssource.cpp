#include "core/settings/settingssource.h"

#include "core/files/wholefile.h"
#include "core/settings/inifile.h"
#include "core/settings/settingsdefaults.h"

namespace {

QByteArray ContentOf(const QString& file)
{
    QByteArray bytes;
    if (file.isEmpty()
        || !ReadWholeFile(file, &bytes, nullptr, ByteOrderMark::Keep, MaxSettingsFileBytes))
        return QByteArray();
    return bytes;
}

} // namespace

SettingsSource::SettingsSource(const QString& file)
    : m_file(file)
{
}

SettingsSource SettingsSource::snapshot(const QString& file)
{
    SettingsSource source(file);
    source.m_taken = std::make_shared<const Taken>(
        Taken { ContentOf(file), ContentOf(SettingsDefaultsFor(file)) });
    return source;
}

QString SettingsSource::read(const QString& section, const QString& key) const
{
    if (!m_taken)
        return ReadSetting(m_file, section, key);
    QString value;
    if (ReadSettingFrom(m_taken->own, section, key, &value)
        || ReadSettingFrom(m_taken->defaults, section, key, &value))
        return value;
    return QString();
}
