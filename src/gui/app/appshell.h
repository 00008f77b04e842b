#pragma once

#include "gui/app/shellservices.h"

#include <QObject>
#include <memory>

class AppContext;
class CommandRouter;
class MainWindow;
class ScheduleWindowHost;
class TrayIcon;

// The running application: starts it in its fixed order and owns its context,
// tray icon, main window and command routing.
class AppShell : public QObject
{
    Q_OBJECT
public:
    explicit AppShell(const QString& applicationFolder, const ShellServices& services = {},
        QObject* parent = nullptr);
    ~AppShell() override;

    // The logo check, the skin, the tray icon, the schedule window (loaded and
    // hidden, its runner ticking), then the main window. False when
    // the program must end; the user has been told why.
    bool start();

    // Adds the files and addresses of a command line to the batch list (see
    // ResolveStartArguments) and says what could not be opened.
    void openInputs(const QStringList& arguments, const QString& workingFolder);

    bool trayAvailable() const;
    AppContext* context() const { return m_context.get(); }
    // Empty until start() succeeded.
    TrayIcon* tray() const { return m_tray.get(); }
    MainWindow* mainWindow() const { return m_mainWindow.get(); }
    CommandRouter* router() const { return m_router.get(); }
    ScheduleWindowHost* scheduler() const { return m_scheduler.get(); }

private:
    void wireBatchDriver();

    std::unique_ptr<AppContext> m_context;
    ShellServices m_services;
    std::unique_ptr<MessagePresenter> m_ownMessages;
    std::unique_ptr<UrlOpener> m_ownOpener;
    std::unique_ptr<FileDialogs> m_ownFileDialogs;
    std::unique_ptr<TrayIcon> m_tray;
    std::unique_ptr<ScheduleWindowHost> m_scheduler;
    std::unique_ptr<MainWindow> m_mainWindow;
    std::unique_ptr<CommandRouter> m_router;
};
