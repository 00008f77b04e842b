#include "core/settings/settingsdefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

namespace {

QMutex& guard()
{
    static QMutex mutex;
    return mutex;
}

QHash<QString, QString>& defaultsByFile()
{
    static QHash<QString, QString> table;
    return table;
}

// The same file named two ways ("a/../settings.dat", a relative name) is one entry.
QString keyOf(const QString& file)
{
    return QDir::cleanPath(QFileInfo(file).absoluteFilePath());
}

} // namespace

void SetSettingsDefaults(const QString& file, const QString& defaultsFile)
{
    if (file.isEmpty())
        return;
    const QString key = keyOf(file);
    QMutexLocker lock(&guard());
    // A file beneath itself would read forever.
    if (defaultsFile.isEmpty() || keyOf(defaultsFile) == key)
        defaultsByFile().remove(key);
    else
        defaultsByFile().insert(key, keyOf(defaultsFile));
}

QString SettingsDefaultsFor(const QString& file)
{
    if (file.isEmpty())
        return QString();
    QMutexLocker lock(&guard());
    if (defaultsByFile().isEmpty())
        return QString();
    return defaultsByFile().value(keyOf(file));
}
