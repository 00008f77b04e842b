#include "core/app/appfolders.h"

#include "core/app/appinfo.h"
#include "core/settings/settingsdefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <unistd.h>

namespace {

// The per-user folders are named after the product, not after the process, so
// that "pagelith" and "pagelith-convert" meet in the same place.
const QString FolderName = QStringLiteral("pagelith");
const QString OutputFolderName = QStringLiteral("Pagelith");

bool writableByUser(const QString& folder)
{
    // access() answers for this user and this mount (a read-only file system
    // too), which permission bits alone do not.
    return !folder.isEmpty() && ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}

QString underUserFolder(QStandardPaths::StandardLocation location, const QString& name)
{
    QString base = QStandardPaths::writableLocation(location);
    if (base.isEmpty())
        base = QDir::homePath();
    return QDir(base).filePath(name);
}

} // namespace

AppFolders::AppFolders(const QString& programFolder)
    : m_programFolder(QDir::cleanPath(QFileInfo(programFolder).absoluteFilePath()))
{
    m_portable = writableByUser(m_programFolder)
        && !QFileInfo::exists(
            AppInfo::pathIn(m_programFolder, QLatin1String(InstalledMarkerFileName)));
    if (m_portable) {
        m_configFolder = m_programFolder;
        m_tempFolder = m_programFolder;
        m_outputFolder = m_programFolder;
        return;
    }
    m_configFolder = underUserFolder(QStandardPaths::GenericConfigLocation, FolderName);
    m_tempFolder = underUserFolder(QStandardPaths::GenericCacheLocation, FolderName);
    m_outputFolder = underUserFolder(QStandardPaths::PicturesLocation, OutputFolderName);
}

QString AppFolders::settingsFile() const
{
    return AppInfo::pathIn(m_configFolder, QString::fromLatin1(AppInfo::SettingsFileName));
}

QString AppFolders::scheduleFile() const
{
    return AppInfo::pathIn(m_configFolder, QString::fromLatin1(AppInfo::ScheduleFileName));
}

QString AppFolders::defaultSettingsFile() const
{
    if (m_portable)
        return QString();
    const QString shipped
        = AppInfo::pathIn(m_programFolder, QString::fromLatin1(AppInfo::SettingsFileName));
    return QFileInfo(shipped).isFile() ? shipped : QString();
}

bool AppFolders::prepare(QString* error) const
{
    for (const QString& folder : { m_configFolder, m_tempFolder }) {
        if (!QDir().mkpath(folder)) {
            if (error)
                *error = QStringLiteral("Cannot create the folder %1").arg(folder);
            return false;
        }
    }
    SetSettingsDefaults(settingsFile(), defaultSettingsFile());
    return true;
}

QStringList AppFolders::describe() const
{
    QStringList lines;
    lines << QStringLiteral("settings         %1").arg(settingsFile());
    const QString defaults = defaultSettingsFile();
    if (!defaults.isEmpty())
        lines << QStringLiteral("default settings %1 (read only)").arg(defaults);
    lines << QStringLiteral("schedule         %1").arg(scheduleFile());
    lines << QStringLiteral("temporary files  %1").arg(m_tempFolder);
    lines
        << QStringLiteral("output folder    %1 (when the settings name none)").arg(m_outputFolder);
    return lines;
}
