#include "core/settings/inifile.h"

#include "core/files/wholefile.h"
#include "core/settings/settingsdefaults.h"
#include "core/text/localeencoding.h"
#include "core/text/textlines.h"

#include <QFileInfo>
#include <QList>

namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");

// One physical line: its bytes and the line end that followed them (empty for
// a last line without one). Keeping both lets a write leave every line it does
// not touch exactly as it was.
struct RawLine
{
    QByteArray content;
    QByteArray ending;
};

QList<RawLine> SplitLines(const QByteArray& bytes)
{
    QList<RawLine> lines;
    for (const ByteLine& line : SplitByteLines(bytes))
        lines.append({ line.content.toByteArray(), line.ending.toByteArray() });
    return lines;
}

bool SameName(const QString& a, const QString& b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// The section name of a header line ("[name]"), or a null text for any other line.
QString SectionNameOf(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(QLatin1Char('[')))
        return QString();
    qsizetype close = trimmed.indexOf(QLatin1Char(']'));
    if (close < 0)
        close = trimmed.size();
    const QString name = trimmed.mid(1, close - 1).trimmed();
    return name.isNull() ? QStringLiteral("") : name;
}

// Splits a "key=value" line; false for a line without an equals sign.
bool SplitKeyLine(const QString& line, QString* key, QString* value)
{
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0)
        return false;
    *key = line.left(equals).trimmed();
    *value = line.mid(equals + 1).trimmed();
    return true;
}

// Where the key lives in the file, as indexes into the line list.
struct KeyLocation
{
    qsizetype sectionLine = -1; // header of the first matching section
    qsizetype keyLine = -1; // first matching key inside it
    qsizetype lastContentLine = -1; // last non-blank line of that section
    QString value;
};

KeyLocation Locate(const QList<RawLine>& lines, const QString& section, const QString& key)
{
    KeyLocation found;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString text = DecodeLocaleText(lines.at(i).content);
        const QString header = SectionNameOf(text);
        if (found.sectionLine < 0) {
            if (!header.isNull() && SameName(header, section)) {
                found.sectionLine = i;
                found.lastContentLine = i;
            }
            continue;
        }
        if (!header.isNull())
            break; // the first matching section has ended
        if (!text.trimmed().isEmpty())
            found.lastContentLine = i;
        QString lineKey;
        QString lineValue;
        if (SplitKeyLine(text, &lineKey, &lineValue) && SameName(lineKey, key)) {
            found.keyLine = i;
            found.value = lineValue;
            return found;
        }
    }
    return found;
}

// The file's bytes, none when it does not exist yet.
bool ReadExistingFile(const QString& file, QByteArray* bytes, QString* error)
{
    if (!QFileInfo::exists(file)) {
        bytes->clear();
        return true;
    }
    return ReadWholeFile(file, bytes, error, ByteOrderMark::Keep, MaxSettingsFileBytes);
}

bool ValidName(const QString& name)
{
    return !name.trimmed().isEmpty() && !name.contains(QLatin1Char('\r'))
        && !name.contains(QLatin1Char('\n'));
}

void SetError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// The key as this one file holds it; false when the file does not hold it.
bool ReadOwnSetting(const QString& file, const QString& section, const QString& key, QString* value)
{
    QByteArray bytes;
    if (!ReadWholeFile(file, &bytes, nullptr, ByteOrderMark::Keep, MaxSettingsFileBytes))
        return false;
    return ReadSettingFrom(bytes, section, key, value);
}

} // namespace

bool ReadSettingFrom(
    const QByteArray& bytes, const QString& section, const QString& key, QString* value)
{
    const QList<RawLine> lines = SplitLines(bytes);
    const KeyLocation found = Locate(lines, section, key);
    if (found.keyLine < 0)
        return false;
    *value = found.value;
    return true;
}

QString ReadSetting(const QString& file, const QString& section, const QString& key)
{
    QString value;
    if (ReadOwnSetting(file, section, key, &value))
        return value;
    // One level only: the defaults file's own fallback, if any, is not followed.
    const QString defaults = SettingsDefaultsFor(file);
    if (!defaults.isEmpty() && ReadOwnSetting(defaults, section, key, &value))
        return value;
    return QString();
}

bool WriteSetting(const QString& file, const QString& section, const QString& key,
    const QString& value, QString* error)
{
    if (file.isEmpty()) {
        SetError(error, QStringLiteral("No settings file given"));
        return false;
    }
    // A name the file cannot hold would come back as some other section or key.
    if (!ValidName(section) || section.contains(QLatin1Char(']'))) {
        SetError(error, QStringLiteral("Invalid section name \"%1\"").arg(section));
        return false;
    }
    if (!ValidName(key) || key.contains(QLatin1Char('='))
        || key.trimmed().startsWith(QLatin1Char('['))) {
        SetError(error, QStringLiteral("Invalid key name \"%1\"").arg(key));
        return false;
    }

    QByteArray bytes;
    // Rewriting a file we could not read would throw its other keys away.
    if (!ReadExistingFile(file, &bytes, error))
        return false;

    // A line break inside the value would start a new line of the file.
    QString oneLineValue = value;
    oneLineValue.replace(QLatin1Char('\r'), QLatin1Char(' '));
    oneLineValue.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QByteArray keyLine = EncodeLocaleText(key.trimmed() + QLatin1Char('=') + oneLineValue);

    QList<RawLine> lines = SplitLines(bytes);
    const KeyLocation found = Locate(lines, section, key);
    if (found.keyLine >= 0) {
        lines[found.keyLine].content = keyLine;
        if (lines[found.keyLine].ending.isEmpty())
            lines[found.keyLine].ending = CrLf;
    } else if (found.sectionLine >= 0) {
        const qsizetype after = found.lastContentLine;
        if (lines[after].ending.isEmpty())
            lines[after].ending = CrLf;
        lines.insert(after + 1, { keyLine, CrLf });
    } else {
        if (!lines.isEmpty() && lines.last().ending.isEmpty())
            lines.last().ending = CrLf;
        lines.append(
            { EncodeLocaleText(QLatin1Char('[') + section.trimmed() + QLatin1Char(']')), CrLf });
        lines.append({ keyLine, CrLf });
    }

    QByteArray out;
    out.reserve(bytes.size() + keyLine.size() + 64);
    for (const RawLine& line : lines)
        out += line.content + line.ending;
    return WriteWholeFile(file, out, error);
}
