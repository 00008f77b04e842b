#include "appcontext.h"

#include "app/appinfo.h"

AppContext::AppContext(const QString& applicationFolder)
    : m_applicationFolder(applicationFolder)
{
}

QString AppContext::settingsFile() const
{
    return filePath(QString::fromLatin1(AppInfo::SettingsFileName));
}

QString AppContext::filePath(const QString& fileName) const
{
    return AppInfo::pathIn(m_applicationFolder, fileName);
}
