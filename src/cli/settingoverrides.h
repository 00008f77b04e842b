#pragma once

#include "core/settings/settingskeys.h"

#include <QList>
#include <QString>
#include <QStringList>

// The --set KEY=VALUE overrides of one run. Keys are those of the settings key
// table (any letter case); a value must suit its key's kind (0 or 1 for a
// switch, a number for a number). The overrides are written into a copy of the
// settings file, never into the file itself.
class SettingOverrides
{
public:
    // False, with the reason, for an unknown key or an unsuitable value.
    bool add(const QString& assignment, QString* error);
    bool isEmpty() const { return m_overrides.isEmpty(); }

    // Copies `settingsFile` (an absent file is an empty one) to `copy` and writes
    // the overrides into the copy, which reads the same defaults beneath it.
    bool writeCopy(const QString& settingsFile, const QString& copy, QString* error) const;

    // Every key --set accepts, in the table's order.
    static QStringList knownKeys();

private:
    struct Override
    {
        Setting setting;
        QString value;
    };
    QList<Override> m_overrides;
};
