#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <array>
#include <functional>

class AppContext;
class FileDialogs;
class HelpLinks;
class MainWindow;
class MessagePresenter;
class TrayIcon;
class UrlListCommands;
class UrlOpener;

// Routes every menu entry, toolbar button and tray entry to its routine: one
// routine per action, whichever entry triggers it.
//
// Commands whose window or engine lives elsewhere are "pending": every entry
// leading to them stays disabled, with a tooltip saying so, until the owner of
// that routine hands it in through provide(). That is the one place where a
// later window plugs into the main window and the tray.
class CommandRouter : public QObject
{
    Q_OBJECT
public:
    enum class Pending {
        ConvertNow, // start the batch
        CancelConvert, // cancel the batch and say so
        CancelConvertQuietly, // cancel the batch without a word
        BrowserWindow, // show the browser window modally on AppContext::browserStartUrl()
        SettingsDialog, // show the settings dialog modally
        ScheduleWindow, // bring the schedule window onto the screen
    };
    static constexpr int PendingCount = 6;
    static QString notAvailableText();

    CommandRouter(AppContext* context, MessagePresenter* messages, UrlOpener* opener,
        FileDialogs* fileDialogs, MainWindow* mainWindow, TrayIcon* tray,
        QObject* parent = nullptr);
    ~CommandRouter() override;

    // Hands in the routine behind a pending command and enables its entries.
    void provide(Pending command, std::function<void()> routine);
    bool isProvided(Pending command) const;

    UrlListCommands* listCommands() const { return m_listCommands; }
    HelpLinks* helpLinks() const { return m_helpLinks; }

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
    // The format column shows the current "outputformat" again.
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
    void addTrigger(Pending command, QObject* trigger);
    void run(Pending command);
    void showSettingsDialog();
    void showBrowserWindow();

    struct PendingCommand
    {
        std::function<void()> routine;
        QList<QPointer<QObject>> triggers;
        QList<QString> toolTips;
    };

    AppContext* m_context;
    MessagePresenter* m_messages;
    UrlOpener* m_opener;
    MainWindow* m_mainWindow;
    TrayIcon* m_tray;
    UrlListCommands* m_listCommands;
    HelpLinks* m_helpLinks;
    std::array<PendingCommand, PendingCount> m_pending;
    bool m_exiting = false;
};
