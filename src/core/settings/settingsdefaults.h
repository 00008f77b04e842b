#pragma once

#include <QString>

// A settings file may have a second, read-only file beneath it: a key the first
// file does not hold at all is read from the second (an installed copy's shipped
// settings.dat beneath a user's own). A key present with an empty value is set.
// Writes only ever go to the first file.

// From now on ReadSetting(file, ...) falls back to defaultsFile; an empty
// defaultsFile removes the fallback.
void SetSettingsDefaults(const QString& file, const QString& defaultsFile);

// The file beneath `file`, or an empty text.
QString SettingsDefaultsFor(const QString& file);
