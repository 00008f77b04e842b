#pragma once

#include <QString>
#include <memory>

class ConversionService;
class RecentFolders;

// What the whole application shares: where its files live and the address the
// browser window opens next. One instance lives as long as the application.
class AppContext
{
public:
    explicit AppContext(const QString& applicationFolder);
    ~AppContext();

    QString applicationFolder() const { return m_applicationFolder; }
    QString settingsFile() const;
    // A fixed file of the application folder, such as AppInfo::LogoFileName.
    QString filePath(const QString& fileName) const;

    // The address the browser window navigates to when it opens.
    QString browserStartUrl() const { return m_browserStartUrl; }
    void setBrowserStartUrl(const QString& address) { m_browserStartUrl = address; }

    // The one queue every front end hands its pages to, so that a batch page
    // and a scheduled page are never converted at the same time. Made on first use.
    ConversionService* conversionService();

    // Where each kind of file dialog last ended, for this run of the program.
    RecentFolders* recentFolders() const { return m_recentFolders.get(); }

private:
    QString m_applicationFolder;
    QString m_browserStartUrl;
    std::unique_ptr<ConversionService> m_conversionService;
    std::unique_ptr<RecentFolders> m_recentFolders;
};
