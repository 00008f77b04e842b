#pragma once

#include "gui/desktop/helplinks.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <array>
#include <functional>

class AppContext;
class BrowserWindow;
class FileDialogs;
class MainWindow;
class MessagePresenter;
class TrayIcon;
class UrlListCommands;
class UrlOpener;

// Routes every menu entry, toolbar button and tray entry to its routine: one
// routine per action, whichever entry triggers it.
//
// The routines behind the batch and the schedule window belong to their
// owners, who hand them in through setRoutine(); the dialogs' routines are
// this router's own until something replaces them.
class CommandRouter : public QObject
{
    Q_OBJECT
public:
    enum class Routine {
        ConvertNow, // start the batch
        CancelConvert, // cancel the batch and say so
        CancelConvertQuietly, // cancel the batch without a word
        BrowserWindow, // open a browser window on AppContext::browserStartUrl()
        SettingsDialog, // show the settings dialog modally
        ScheduleWindow, // bring the schedule window onto the screen
    };
    static constexpr int RoutineCount = 6;

    CommandRouter(AppContext* context, MessagePresenter* messages, UrlOpener* opener,
        FileDialogs* fileDialogs, MainWindow* mainWindow, TrayIcon* tray,
        QObject* parent = nullptr);
    ~CommandRouter() override;

    void setRoutine(Routine command, std::function<void()> routine);
    // Whether a batch is running: quitting then asks first.
    void setBatchRunning(std::function<bool()> running) { m_batchRunning = std::move(running); }

    UrlListCommands* listCommands() const { return m_listCommands; }
    // The browser windows open now.
    QList<BrowserWindow*> browserWindows() const;

public slots:
    // List commands
    void newProject();
    void loadList();
    void saveList();
    void addHtmlFiles();
    void addUrl();
    void addUrlFromToolbar();
    void removeSelected();
    void clearAll();
    void visitSelected();
    // The format column shows the current output format again.
    void refreshOutputFormats();
    // Conversion, windows of their own
    void convertNow();
    void cancelConvert();
    void cancelConvertQuietly();
    void miniBrowser();
    void settings();
    void schedule();
    // Help
    void help();
    void homePage();
    void supportOnline();
    void about();
    // Shell
    void restoreMainWindow();
    void ExitApplication();

signals:
    // Every window and the tray icon are gone; the program may end.
    void applicationExited();

private:
    void wireMainWindow();
    void wireTray();
    void run(Routine command);
    void showSettingsDialog();
    void showBrowserWindow();

    AppContext* m_context;
    MessagePresenter* m_messages;
    UrlOpener* m_opener;
    MainWindow* m_mainWindow;
    TrayIcon* m_tray;
    UrlListCommands* m_listCommands;
    HelpLinks m_helpLinks;
    std::array<std::function<void()>, RoutineCount> m_routines;
    std::function<bool()> m_batchRunning;
    bool m_exiting = false;
    QList<QPointer<BrowserWindow>> m_browserWindows;
};
