#include "appcontext.h"

#include "app/appinfo.h"
#include "app/recentfolders.h"
#include "conversionservice.h"

AppContext::AppContext(const QString& applicationFolder)
    : m_applicationFolder(applicationFolder)
    , m_folders(applicationFolder)
    , m_recentFolders(std::make_unique<RecentFolders>())
{
}

AppContext::~AppContext() = default;

QString AppContext::settingsFile() const
{
    return m_folders.settingsFile();
}

QString AppContext::filePath(const QString& fileName) const
{
    return AppInfo::pathIn(m_applicationFolder, fileName);
}

ConversionService* AppContext::conversionService()
{
    if (!m_conversionService)
        m_conversionService = std::make_unique<ConversionService>();
    return m_conversionService.get();
}
