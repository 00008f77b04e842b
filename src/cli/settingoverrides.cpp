#include "settingoverrides.h"

#include "settings/settingreaders.h"
#include "settings/settingsdefaults.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

bool isSwitch(SettingKind kind)
{
    return kind == SettingKind::Flag || kind == SettingKind::Choice;
}

bool isNumber(SettingKind kind)
{
    return kind == SettingKind::Number || kind == SettingKind::NumberWithDefault
        || kind == SettingKind::Colour;
}

// What the readers would take from the text; anything else would be read as 0 or
// "off" without a word, which on a command line is almost always a typing error.
QString checkValue(const SettingKey& key, const QString& value)
{
    if (isSwitch(key.kind) && value != QLatin1String("0") && value != QLatin1String("1"))
        return QStringLiteral("%1 takes 0 or 1").arg(key.name);
    static const QRegularExpression number(QStringLiteral("^[+-]?\\d+(\\.\\d+)?$"));
    if (isNumber(key.kind) && !value.isEmpty() && !number.match(value).hasMatch())
        return QStringLiteral("%1 takes a number").arg(key.name);
    if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
        return QStringLiteral("%1 takes a single line").arg(key.name);
    return QString();
}

} // namespace

bool SettingOverrides::add(const QString& assignment, QString* error)
{
    const qsizetype equals = assignment.indexOf(QLatin1Char('='));
    const QString name = assignment.left(equals).trimmed();
    if (equals < 0 || name.isEmpty()) {
        *error = QStringLiteral("--set takes KEY=VALUE, not '%1'").arg(assignment);
        return false;
    }
    const std::optional<Setting> setting = FindSetting(name);
    if (!setting) {
        *error = QStringLiteral("unknown settings key '%1'; known keys: %2")
                     .arg(name, knownKeys().join(QStringLiteral(", ")));
        return false;
    }
    const SettingKey& key = KeyOf(*setting);
    QString value = assignment.mid(equals + 1).trimmed();
    const QString problem = checkValue(key, value);
    if (!problem.isEmpty()) {
        *error = QStringLiteral("--set %1: %2").arg(assignment, problem);
        return false;
    }
    // A folder is used from the engine's working folder; the user meant theirs.
    if (key.kind == SettingKind::Folder && !value.isEmpty())
        value = QFileInfo(value).absoluteFilePath();
    m_overrides.append({ *setting, value });
    return true;
}

bool SettingOverrides::writeCopy(
    const QString& settingsFile, const QString& copy, QString* error) const
{
    QFile::remove(copy);
    if (QFileInfo::exists(settingsFile) && !QFile::copy(settingsFile, copy)) {
        *error = QStringLiteral("cannot copy %1 to %2").arg(settingsFile, copy);
        return false;
    }
    // The copy of a read-only file is read-only too.
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    for (const Override& o : m_overrides) {
        if (!WriteSetting(copy, o.setting, o.value, error))
            return false;
    }
    SetSettingsDefaults(copy, SettingsDefaultsFor(settingsFile));
    return true;
}

QStringList SettingOverrides::knownKeys()
{
    QStringList names;
    for (const SettingKey& key : AllSettingKeys())
        names << key.name;
    return names;
}
