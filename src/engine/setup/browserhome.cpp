#include "engine/setup/browserhome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>

bool PutBrowserHomeIn(
    const QString& folder, QProcessEnvironment* environment, QString* error, int maxTempFolderBytes)
{
    const QDir home(QDir(folder).filePath(QStringLiteral("home")));
    const struct
    {
        const char* variable;
        const char* path;
    } places[] = {
        { "HOME", "." },
        { "XDG_CONFIG_HOME", ".config" },
        { "XDG_CACHE_HOME", ".cache" },
        { "XDG_DATA_HOME", ".local/share" },
        { "XDG_RUNTIME_DIR", "runtime" },
        { nullptr, "Downloads" },
        { "TMPDIR", "tmp" },
    };
    for (const auto& place : places) {
        if (qstrcmp(place.variable, "TMPDIR") == 0
            && QFile::encodeName(home.filePath(QStringLiteral("tmp"))).size() > maxTempFolderBytes)
            continue;
        const QString path = QDir::cleanPath(home.filePath(QString::fromLatin1(place.path)));
        // Private, as a runtime folder must be; the rest need be no more open.
        if (!QDir().mkpath(path)
            || !QFile::setPermissions(
                path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
            *error = QCoreApplication::translate("BrowserHome", "Cannot create the folder %1")
                         .arg(QDir::toNativeSeparators(path));
            return false;
        }
        if (place.variable)
            environment->insert(QString::fromLatin1(place.variable), path);
    }
    return true;
}
