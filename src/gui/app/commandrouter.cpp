#include "commandrouter.h"

#include "app/aboutbox.h"
#include "app/appcontext.h"
#include "app/helplinks.h"
#include "app/imagebutton.h"
#include "app/mainmenus.h"
#include "app/mainwindow.h"
#include "app/progresspanel.h"
#include "app/toolbarstrip.h"
#include "app/trayicon.h"
#include "browser/browserwindow.h"
#include "settings/settingsdialog.h"
#include "urllist/urllistcommands.h"
#include "urllist/urllistwidget.h"

#include <QAction>
#include <QApplication>
#include <QDialog>

QString CommandRouter::notAvailableText()
{
    return QStringLiteral("Not available yet");
}

CommandRouter::CommandRouter(AppContext* context, MessagePresenter* messages, UrlOpener* opener,
    FileDialogs* fileDialogs, MainWindow* mainWindow, TrayIcon* tray, QObject* parent)
    : QObject(parent)
    , m_context(context)
    , m_messages(messages)
    , m_opener(opener)
    , m_mainWindow(mainWindow)
    , m_tray(tray)
    , m_listCommands(
          new UrlListCommands(mainWindow->urlList(), context, fileDialogs, messages, mainWindow))
    , m_helpLinks(new HelpLinks(context, opener, messages))
{
    wireMainWindow();
    wireTray();
    provide(Pending::SettingsDialog, [this] { showSettingsDialog(); });
    provide(Pending::BrowserWindow, [this] { showBrowserWindow(); });
}

CommandRouter::~CommandRouter()
{
    delete m_helpLinks;
}

void CommandRouter::wireMainWindow()
{
    MainMenus* menus = m_mainWindow->menus();
    ToolbarStrip* toolbar = m_mainWindow->toolbar();
    ProgressPanel* progress = m_mainWindow->progressPanel();
    UrlListWidget* list = m_mainWindow->urlList();

    auto route = [this](QAction* action, void (CommandRouter::*routine)()) {
        connect(action, &QAction::triggered, this, routine);
    };
    auto click = [this](ImageButton* button, void (CommandRouter::*routine)()) {
        connect(button, &ImageButton::clicked, this, routine);
    };

    // File
    route(menus->newProject, &CommandRouter::newProject);
    route(menus->openProject, &CommandRouter::loadList);
    route(menus->saveProject, &CommandRouter::saveList);
    route(menus->exit, &CommandRouter::ExitApplication);
    // Edit
    route(menus->loadList, &CommandRouter::loadList);
    route(menus->saveList, &CommandRouter::saveList);
    route(menus->addHtmlFiles, &CommandRouter::addHtmlFiles);
    route(menus->addUrl, &CommandRouter::addUrl);
    route(menus->removeSelected, &CommandRouter::removeSelected);
    route(menus->clearAll, &CommandRouter::clearAll);
    route(menus->visitSelected, &CommandRouter::visitSelected);
    // Action
    route(menus->convertNow, &CommandRouter::convertNow);
    route(menus->cancelConvert, &CommandRouter::cancelConvert);
    route(menus->miniBrowser, &CommandRouter::miniBrowser);
    // Option
    route(menus->settings, &CommandRouter::settings);
    route(menus->schedule, &CommandRouter::schedule);
    // Help
    route(menus->help, &CommandRouter::help);
    route(menus->homePage, &CommandRouter::homePage);
    route(menus->support, &CommandRouter::supportOnline);
    route(menus->about, &CommandRouter::about);
    // The list's popup menu
    route(menus->popConvertNow, &CommandRouter::convertNow);
    route(menus->popSettings, &CommandRouter::settings);
    route(menus->popOpenSelected, &CommandRouter::visitSelected);
    route(menus->popLoadList, &CommandRouter::loadList);
    route(menus->popAddHtmlFiles, &CommandRouter::addHtmlFiles);
    route(menus->popAddUrlItem, &CommandRouter::addUrl);
    route(menus->popRemoveSelected, &CommandRouter::removeSelected);
    route(menus->popClearAll, &CommandRouter::clearAll);
    // Toolbar
    click(toolbar->loadList(), &CommandRouter::loadList);
    click(toolbar->addHtmlFiles(), &CommandRouter::addHtmlFiles);
    click(toolbar->addUrl(), &CommandRouter::addUrlFromToolbar);
    click(toolbar->saveList(), &CommandRouter::saveList);
    click(toolbar->convertNow(), &CommandRouter::convertNow);
    click(toolbar->settings(), &CommandRouter::settings);
    click(toolbar->schedule(), &CommandRouter::schedule);
    click(toolbar->help(), &CommandRouter::help);
    click(toolbar->exit(), &CommandRouter::ExitApplication);
    // Progress panel
    click(progress->cancelButton(), &CommandRouter::cancelConvert);
    click(progress->quietCancelButton(), &CommandRouter::cancelConvertQuietly);
    // The list itself
    connect(list, &UrlListWidget::visitRequested, this, &CommandRouter::visitSelected);
    connect(
        m_mainWindow, &MainWindow::programCloseRequested, this, &CommandRouter::ExitApplication);

    addTrigger(Pending::ConvertNow, menus->convertNow);
    addTrigger(Pending::ConvertNow, menus->popConvertNow);
    addTrigger(Pending::ConvertNow, toolbar->convertNow());
    addTrigger(Pending::CancelConvert, menus->cancelConvert);
    addTrigger(Pending::CancelConvert, progress->cancelButton());
    addTrigger(Pending::CancelConvertQuietly, progress->quietCancelButton());
    addTrigger(Pending::BrowserWindow, menus->miniBrowser);
    addTrigger(Pending::BrowserWindow, menus->visitSelected);
    addTrigger(Pending::BrowserWindow, menus->popOpenSelected);
    addTrigger(Pending::SettingsDialog, menus->settings);
    addTrigger(Pending::SettingsDialog, menus->popSettings);
    addTrigger(Pending::SettingsDialog, toolbar->settings());
    addTrigger(Pending::ScheduleWindow, menus->schedule);
    addTrigger(Pending::ScheduleWindow, toolbar->schedule());
}

void CommandRouter::wireTray()
{
    connect(m_tray->onTheWeb, &QAction::triggered, this, &CommandRouter::homePage);
    connect(m_tray->help, &QAction::triggered, this, &CommandRouter::help);
    connect(m_tray, &TrayIcon::restoreRequested, this, &CommandRouter::restoreMainWindow);
    connect(m_tray->settings, &QAction::triggered, this, &CommandRouter::settings);
    connect(m_tray->convertNow, &QAction::triggered, this, &CommandRouter::convertNow);
    connect(m_tray->cancelConvert, &QAction::triggered, this, &CommandRouter::cancelConvert);
    connect(m_tray->exit, &QAction::triggered, this, &CommandRouter::ExitApplication);

    addTrigger(Pending::SettingsDialog, m_tray->settings);
    addTrigger(Pending::ConvertNow, m_tray->convertNow);
    addTrigger(Pending::CancelConvert, m_tray->cancelConvert);
}

void CommandRouter::addTrigger(Pending command, QObject* trigger)
{
    // Actions and widgets both carry "enabled" and "toolTip".
    PendingCommand& pending = m_pending[size_t(command)];
    pending.triggers.append(trigger);
    pending.toolTips.append(trigger->property("toolTip").toString());
    if (!pending.routine) {
        trigger->setProperty("enabled", false);
        trigger->setProperty("toolTip", notAvailableText());
    }
}

void CommandRouter::provide(Pending command, std::function<void()> routine)
{
    PendingCommand& pending = m_pending[size_t(command)];
    pending.routine = std::move(routine);
    const bool available = bool(pending.routine);
    for (int i = 0; i < pending.triggers.size(); ++i) {
        QObject* trigger = pending.triggers.at(i);
        if (!trigger)
            continue;
        trigger->setProperty("enabled", available);
        trigger->setProperty("toolTip", available ? pending.toolTips.at(i) : notAvailableText());
    }
}

bool CommandRouter::isProvided(Pending command) const
{
    return bool(m_pending[size_t(command)].routine);
}

void CommandRouter::run(Pending command)
{
    // An entry can only be reached while enabled; a double click on the list or
    // a shortcut still lands here, and then nothing happens.
    const std::function<void()> routine = m_pending[size_t(command)].routine;
    if (routine)
        routine();
}

void CommandRouter::newProject()
{
    m_listCommands->clearAll();
}

void CommandRouter::loadList()
{
    m_listCommands->loadList();
}

void CommandRouter::saveList()
{
    m_listCommands->saveList();
}

void CommandRouter::addHtmlFiles()
{
    m_listCommands->addHtmlFiles();
}

void CommandRouter::addUrl()
{
    m_listCommands->showAddUrlsModal();
}

void CommandRouter::addUrlFromToolbar()
{
    m_listCommands->showAddUrlsModeless();
}

void CommandRouter::removeSelected()
{
    m_listCommands->removeSelected();
}

void CommandRouter::clearAll()
{
    m_listCommands->clearAll();
}

void CommandRouter::visitSelected()
{
    UrlListWidget* list = m_mainWindow->urlList();
    const int row = list->selectedRow();
    if (row < 0 || !isProvided(Pending::BrowserWindow))
        return;
    m_context->setBrowserStartUrl(list->address(row));
    run(Pending::BrowserWindow);
}

void CommandRouter::refreshOutputFormats()
{
    m_listCommands->refreshOutputFormats();
}

void CommandRouter::convertNow()
{
    run(Pending::ConvertNow);
}

void CommandRouter::cancelConvert()
{
    run(Pending::CancelConvert);
}

void CommandRouter::cancelConvertQuietly()
{
    run(Pending::CancelConvertQuietly);
}

void CommandRouter::miniBrowser()
{
    if (!isProvided(Pending::BrowserWindow))
        return;
    m_context->setBrowserStartUrl(HelpLinks::homePageAddress());
    run(Pending::BrowserWindow);
}

void CommandRouter::settings()
{
    run(Pending::SettingsDialog);
}

void CommandRouter::showSettingsDialog()
{
    // Created for each opening, so it always starts from the file.
    SettingsDialog dialog(m_context->settingsFile(), m_context->folders().defaultOutputFolder(),
        m_messages, m_mainWindow);
    dialog.setRecentFolders(m_context->recentFolders());
    connect(
        &dialog, &SettingsDialog::outputFormatSaved, this, &CommandRouter::refreshOutputFormats);
    dialog.exec();
}

void CommandRouter::showBrowserWindow()
{
    BrowserWindow::Context browser;
    browser.startUrl = m_context->browserStartUrl();
    browser.applicationFolder = m_context->applicationFolder();
    browser.settingsFile = m_context->settingsFile();
    browser.messages = m_messages;
    browser.opener = m_opener;
    browser.conversions = m_context->conversionService();
    // A new window on every opening: no history or address survives a close.
    BrowserWindow window(browser, m_mainWindow);
    window.exec();
}

void CommandRouter::schedule()
{
    run(Pending::ScheduleWindow);
}

void CommandRouter::help()
{
    m_helpLinks->openHelp(m_mainWindow);
}

void CommandRouter::homePage()
{
    m_helpLinks->openHomePage(m_mainWindow);
}

void CommandRouter::supportOnline()
{
    m_helpLinks->openSupport(m_mainWindow);
}

void CommandRouter::about()
{
    AboutBox box(m_context, m_mainWindow);
    box.exec();
}

void CommandRouter::restoreMainWindow()
{
    m_mainWindow->restoreFromTray();
}

void CommandRouter::ExitApplication()
{
    if (m_exiting)
        return;
    m_exiting = true;
    // Every other window first: dialogs, the browser and schedule windows,
    // popup menus. A modal dialog's own event loop ends with it.
    const QList<QWidget*> windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window == m_mainWindow)
            continue;
        if (auto* dialog = qobject_cast<QDialog*>(window))
            dialog->done(QDialog::Rejected);
        window->close();
    }
    m_tray->remove();
    m_mainWindow->close();
    emit applicationExited();
}
