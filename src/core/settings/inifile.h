#pragma once

#include <QString>

// The settings store: a plain INI file read and written one key at a time.
// Section and key names match without regard to letter case or surrounding
// blanks; the first matching section and the first matching key in it win.
// Values are stored whole and read back trimmed. The file is text in the
// locale's encoding with CR LF line ends; lines the write does not concern
// are kept byte for byte.

// A settings file holds a few dozen short lines; a larger file is no settings
// file (a log, an image, a device's endless output) and is not read at all, so
// that each of the many reads of a page does not take seconds.
inline constexpr qint64 MaxSettingsFileBytes = 1024 * 1024;

// The trimmed value, or an empty text when the file, the section or the key
// is missing or the file cannot be read (it is no regular file, or larger than
// MaxSettingsFileBytes). A key the file does not hold is read
// from its defaults file, if one is set (see settingsdefaults.h). A read never
// fails towards the caller.
QString ReadSetting(const QString& file, const QString& section, const QString& key);

// The trimmed value of the key in a settings file's bytes, as ReadSetting reads
// the file itself (no defaults file); false when the bytes do not hold the key.
bool ReadSettingFrom(
    const QByteArray& bytes, const QString& section, const QString& key, QString* value);

// Stores the value, replacing an existing key in place, appending a new key at
// the end of its section and a new section at the end of the file. The file
// is replaced atomically, so a failed write leaves the old content whole.
// False, with the reason in *error when error is not null, when nothing was written.
bool WriteSetting(const QString& file, const QString& section, const QString& key,
    const QString& value, QString* error);
