#pragma once

#include "core/app/appfolders.h"
#include "engine/setup/enginechoice.h"

#include <QString>
#include <functional>
#include <memory>

class ConversionService;
class RecentFolders;

// What the whole application shares: where its files live and the address the
// browser window opens next. One instance lives as long as the application.
class AppContext
{
public:
    // `applicationFolder`: the folder the program runs from.
    explicit AppContext(const QString& applicationFolder);
    ~AppContext();

    // The program's folder: logo, skin and help.
    QString applicationFolder() const { return m_applicationFolder; }
    // Where settings, schedule, temporary and output files go.
    const AppFolders& folders() const { return m_folders; }
    QString settingsFile() const;
    // A fixed file of the program's folder, such as AppInfo::LogoFileName.
    QString filePath(const QString& fileName) const;

    // The address the browser window navigates to when it opens.
    QString browserStartUrl() const { return m_browserStartUrl; }
    void setBrowserStartUrl(const QString& address) { m_browserStartUrl = address; }

    // The one queue every front end hands its pages to, so that a batch page
    // and a scheduled page are never converted at the same time. Made on first use.
    ConversionService* conversionService();

    // Puts the engine the settings name (and its Chromium) to work as soon as no
    // page is in work: at once when the queue is idle, else when its last page
    // in work has ended. True when the queue converts with that engine now. Also
    // called whenever the queue falls idle, so a change made in the settings
    // dialog (or in the file) converts the next page without a restart.
    bool applyEngineSetting();
    // The engine the queue converts with; before the queue is made, the one it
    // would be made with.
    EngineChoice currentEngine() const;
    // Called after the queue's engine changed.
    void setEngineChangedHandler(std::function<void()> handler)
    {
        m_engineChanged = std::move(handler);
    }

    // The engine the settings ask for; Qt WebEngine, with a notice, when that
    // cannot be had.
    EngineChoice engineChoice() const;
    // What the status bar says at start: the engine's fallback and the sandbox
    // turned off for root; empty when neither applies.
    QString startupNotice() const;
    // The notices of the engine the queue converts with, and the sandbox notice.
    QString engineNotices() const;

    // Where each kind of file dialog last ended, for this run of the program.
    RecentFolders* recentFolders() const { return m_recentFolders.get(); }

private:
    QString m_applicationFolder;
    AppFolders m_folders;
    QString m_browserStartUrl;
    std::unique_ptr<ConversionService> m_conversionService;
    std::unique_ptr<RecentFolders> m_recentFolders;
    std::function<void()> m_engineChanged;
};
