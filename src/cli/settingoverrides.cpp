#include "cli/settingoverrides.h"

#include "core/files/fileerror.h"
#include "core/files/wholefile.h"
#include "core/settings/inifile.h"
#include "core/settings/pdfpagesetup.h"
#include "core/settings/settingreaders.h"
#include "core/settings/settingsdefaults.h"

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
    // A settings file clamps such a value where it is read; typed for one run it
    // is a mistake to point out, not to correct silently.
    const std::optional<SettingRange> range = DocumentedRange(key.setting);
    if (range && !value.isEmpty()
        && (value.toDouble() < range->minimum || value.toDouble() > range->maximum))
        return QStringLiteral("%1 takes a number from %2 to %3")
            .arg(key.name)
            .arg(range->minimum, 0, 'f', 0)
            .arg(range->maximum, 0, 'f', 0);
    if (key.setting == Setting::PdfPaper && !value.isEmpty() && !PdfPageSetup::parsePaper(value))
        return QStringLiteral("%1 takes %2 or WIDTHxHEIGHT with units (210mmx297mm)")
            .arg(key.name, PdfPageSetup::paperNames());
    if (key.setting == Setting::PdfMargin && !value.isEmpty() && !PdfPageSetup::parseLength(value))
        return QStringLiteral("%1 takes a length in mm, cm, in, pt or px (10mm, 0.5in)")
            .arg(key.name);
    const QStringList choices = DocumentedChoices(key.setting);
    if (!choices.isEmpty() && !value.isEmpty() && !choices.contains(value.toLower()))
        return QStringLiteral("%1 takes %2").arg(key.name, choices.join(QStringLiteral(" or ")));
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
    // The copy may hold a proxy's or a site's password: only its owner reads it,
    // from its first byte on (a rewrite keeps the mode of the file it replaces).
    QFile created(copy);
    if (!created.open(QIODevice::WriteOnly | QIODevice::NewOnly)
        || !created.setPermissions(QFile::ReadOwner | QFile::WriteOwner)) {
        *error = FileErrorText(QStringLiteral("write"), copy, created.errorString());
        return false;
    }
    created.close();
    // Read the way every read of the settings reads it: a FIFO or a device in its
    // place is refused at once, not waited on.
    QByteArray bytes;
    if (QFileInfo::exists(settingsFile)
        && (!ReadWholeFile(settingsFile, &bytes, error, ByteOrderMark::Keep, MaxSettingsFileBytes)
            || !WriteWholeFile(copy, bytes, error)))
        return false;
    for (const Override& o : m_overrides) {
        if (!WriteSetting(copy, o.setting, o.value, error))
            return false;
    }
    SetSettingsDefaults(copy, SettingsDefaultsFor(settingsFile));
    return QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
}

QStringList SettingOverrides::knownKeys()
{
    QStringList names;
    for (const SettingKey& key : AllSettingKeys())
        names << key.name;
    return names;
}
