#include "gui/app/commandrouter.h"

#include "gui/app/appcontext.h"
#include "gui/browser/browserwindow.h"
#include "gui/desktop/helplinks.h"
#include "gui/desktop/trayicon.h"
#include "gui/desktop/windowfront.h"
#include "gui/dialogs/aboutbox.h"
#include "gui/dialogs/messagepresenter.h"
#include "gui/mainwindow/mainmenus.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/progresspanel.h"
#include "gui/mainwindow/toolbarstrip.h"
#include "gui/settings/settingsdialog.h"
#include "gui/urllist/urllistcommands.h"
#include "gui/urllist/urllistwidget.h"
#include "gui/widgets/imagebutton.h"

#include <QAction>
#include <QApplication>
#include <QDialog>

namespace {

// One entry of a window and the routine it triggers.
template <typename Owner> struct ActionRoute
{
    QAction* Owner::*action;
    void (CommandRouter::*routine)();
};

template <typename Owner> struct ButtonRoute
{
    ImageButton* (Owner::*button)() const;
    void (CommandRouter::*routine)();
};

const ActionRoute<MainMenus> MenuRoutes[] = {
    // File
    { &MainMenus::newProject, &CommandRouter::newProject },
    { &MainMenus::openProject, &CommandRouter::loadList },
    { &MainMenus::saveProject, &CommandRouter::saveList },
    { &MainMenus::exit, &CommandRouter::ExitApplication },
    // Edit
    { &MainMenus::loadList, &CommandRouter::loadList },
    { &MainMenus::saveList, &CommandRouter::saveList },
    { &MainMenus::addHtmlFiles, &CommandRouter::addHtmlFiles },
    { &MainMenus::addUrl, &CommandRouter::addUrl },
    { &MainMenus::removeSelected, &CommandRouter::removeSelected },
    { &MainMenus::clearAll, &CommandRouter::clearAll },
    { &MainMenus::visitSelected, &CommandRouter::visitSelected },
    // Action
    { &MainMenus::convertNow, &CommandRouter::convertNow },
    { &MainMenus::cancelConvert, &CommandRouter::cancelConvert },
    { &MainMenus::miniBrowser, &CommandRouter::miniBrowser },
    // Option
    { &MainMenus::settings, &CommandRouter::settings },
    { &MainMenus::schedule, &CommandRouter::schedule },
    // Help
    { &MainMenus::help, &CommandRouter::help },
    { &MainMenus::homePage, &CommandRouter::homePage },
    { &MainMenus::support, &CommandRouter::supportOnline },
    { &MainMenus::about, &CommandRouter::about },
    // The list's popup menu
    { &MainMenus::popConvertNow, &CommandRouter::convertNow },
    { &MainMenus::popSettings, &CommandRouter::settings },
    { &MainMenus::popOpenSelected, &CommandRouter::visitSelected },
    { &MainMenus::popLoadList, &CommandRouter::loadList },
    { &MainMenus::popAddHtmlFiles, &CommandRouter::addHtmlFiles },
    { &MainMenus::popAddUrlItem, &CommandRouter::addUrl },
    { &MainMenus::popRemoveSelected, &CommandRouter::removeSelected },
    { &MainMenus::popClearAll, &CommandRouter::clearAll },
};

const ButtonRoute<ToolbarStrip> ToolbarRoutes[] = {
    { &ToolbarStrip::loadList, &CommandRouter::loadList },
    { &ToolbarStrip::addHtmlFiles, &CommandRouter::addHtmlFiles },
    { &ToolbarStrip::addUrl, &CommandRouter::addUrlFromToolbar },
    { &ToolbarStrip::saveList, &CommandRouter::saveList },
    { &ToolbarStrip::convertNow, &CommandRouter::convertNow },
    { &ToolbarStrip::settings, &CommandRouter::settings },
    { &ToolbarStrip::schedule, &CommandRouter::schedule },
    { &ToolbarStrip::help, &CommandRouter::help },
    { &ToolbarStrip::exit, &CommandRouter::ExitApplication },
};

const ButtonRoute<ProgressPanel> ProgressRoutes[] = {
    { &ProgressPanel::cancelButton, &CommandRouter::cancelConvert },
};

const ActionRoute<TrayIcon> TrayRoutes[] = {
    { &TrayIcon::onTheWeb, &CommandRouter::homePage },
    { &TrayIcon::help, &CommandRouter::help },
    { &TrayIcon::settings, &CommandRouter::settings },
    { &TrayIcon::convertNow, &CommandRouter::convertNow },
    { &TrayIcon::cancelConvert, &CommandRouter::cancelConvert },
    { &TrayIcon::exit, &CommandRouter::ExitApplication },
};

template <typename Owner, size_t Count>
void connectActions(
    const Owner* owner, const ActionRoute<Owner> (&routes)[Count], CommandRouter* router)
{
    for (const ActionRoute<Owner>& route : routes)
        QObject::connect(owner->*route.action, &QAction::triggered, router, route.routine);
}

template <typename Owner, size_t Count>
void connectButtons(
    const Owner* owner, const ButtonRoute<Owner> (&routes)[Count], CommandRouter* router)
{
    for (const ButtonRoute<Owner>& route : routes)
        QObject::connect((owner->*route.button)(), &ImageButton::clicked, router, route.routine);
}

// A dialog modal to the whole application would also block the tray icon, the
// one way back to a minimised program on a desktop without a task bar: modal to
// its window, the icon and its menu still answer.
void BlockOnlyTheMainWindow(QDialog* dialog)
{
    dialog->setWindowModality(Qt::WindowModal);
}

} // namespace

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
    , m_helpLinks(context, opener, messages)
{
    wireMainWindow();
    wireTray();
    setRoutine(Routine::SettingsDialog, [this] { showSettingsDialog(); });
    setRoutine(Routine::BrowserWindow, [this] { showBrowserWindow(); });
}

CommandRouter::~CommandRouter()
{
    // Browser windows have no parent to take them along; they use the queue,
    // which goes with the application's context.
    for (const QPointer<BrowserWindow>& window : std::as_const(m_browserWindows))
        delete window;
}

void CommandRouter::wireMainWindow()
{
    connectActions(m_mainWindow->menus(), MenuRoutes, this);
    connectButtons(m_mainWindow->toolbar(), ToolbarRoutes, this);
    connectButtons(m_mainWindow->progressPanel(), ProgressRoutes, this);
    connect(m_mainWindow->urlList(), &UrlListWidget::visitRequested, this,
        &CommandRouter::visitSelected);
    connect(
        m_mainWindow, &MainWindow::programCloseRequested, this, &CommandRouter::ExitApplication);
}

void CommandRouter::wireTray()
{
    connectActions(m_tray, TrayRoutes, this);
    connect(m_tray, &TrayIcon::restoreRequested, this, &CommandRouter::restoreMainWindow);
}

QList<BrowserWindow*> CommandRouter::browserWindows() const
{
    QList<BrowserWindow*> open;
    for (const QPointer<BrowserWindow>& window : m_browserWindows) {
        if (window)
            open.append(window);
    }
    return open;
}

void CommandRouter::setRoutine(Routine command, std::function<void()> routine)
{
    m_routines[size_t(command)] = std::move(routine);
}

void CommandRouter::run(Routine command)
{
    // A copy: the routine may replace itself while it runs.
    const std::function<void()> routine = m_routines[size_t(command)];
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
    if (row < 0)
        return;
    m_context->setBrowserStartUrl(list->address(row));
    run(Routine::BrowserWindow);
}

void CommandRouter::refreshOutputFormats()
{
    m_listCommands->refreshOutputFormats();
}

void CommandRouter::convertNow()
{
    run(Routine::ConvertNow);
}

void CommandRouter::cancelConvert()
{
    run(Routine::CancelConvert);
}

void CommandRouter::cancelConvertQuietly()
{
    run(Routine::CancelConvertQuietly);
}

void CommandRouter::miniBrowser()
{
    // The page shipped with the program: it loads without a network and says
    // how the window converts.
    m_context->setBrowserStartUrl(m_helpLinks.startPageAddress());
    run(Routine::BrowserWindow);
}

void CommandRouter::settings()
{
    run(Routine::SettingsDialog);
}

void CommandRouter::showSettingsDialog()
{
    // The tray still answers while the dialog is open: its entry brings the open
    // dialog forward rather than a second one.
    if (auto* open = m_mainWindow->findChild<SettingsDialog*>()) {
        m_mainWindow->restoreFromTray();
        BringToFront(open);
        return;
    }
    // Created for each opening, so it always starts from the file.
    SettingsDialog dialog(m_context->settingsFile(), m_context->folders().defaultOutputFolder(),
        m_messages, m_mainWindow);
    BlockOnlyTheMainWindow(&dialog);
    dialog.setRecentFolders(m_context->recentFolders());
    connect(
        &dialog, &SettingsDialog::outputFormatSaved, this, &CommandRouter::refreshOutputFormats);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // A new engine converts from the next page on, without a restart; pages in
    // work end on the one they started with.
    if (!m_context->applyEngineSetting()) {
        m_mainWindow->setStatusText(
            tr("The engine chosen converts once the pages in work are done."));
    }
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
    // A window of its own, modal to nothing: minimised, it leaves the main
    // window and the tray answering. A new one on every opening, so no history
    // or address survives a close.
    auto* window = new BrowserWindow(browser);
    window->setAttribute(Qt::WA_DeleteOnClose);
    m_browserWindows.removeAll(nullptr);
    m_browserWindows.append(window);
    window->show();
}

void CommandRouter::schedule()
{
    run(Routine::ScheduleWindow);
}

void CommandRouter::help()
{
    m_helpLinks.openHelp(m_mainWindow);
}

void CommandRouter::homePage()
{
    m_helpLinks.openHomePage(m_mainWindow);
}

void CommandRouter::supportOnline()
{
    m_helpLinks.openSupport(m_mainWindow);
}

void CommandRouter::about()
{
    AboutBox box(m_context, m_mainWindow);
    BlockOnlyTheMainWindow(&box);
    box.exec();
}

void CommandRouter::restoreMainWindow()
{
    m_mainWindow->restoreFromTray();
    // Every window of the program comes back with it: a browser window
    // minimised on its own could be out of reach otherwise.
    for (const QPointer<BrowserWindow>& window : std::as_const(m_browserWindows)) {
        if (window && window->isVisible() && window->isMinimized())
            BringToFront(window);
    }
}

void CommandRouter::ExitApplication()
{
    if (m_exiting)
        return;
    // Quitting would throw away the rest of the batch; the user says so first.
    // A batch that ends while the question is open closes it: nothing is lost
    // any more, and the program ends as asked.
    if (m_batchRunning && m_batchRunning()
        && !m_messages->question(m_mainWindow,
            tr("A conversion is running. Quit anyway? The pages not yet written will be lost."))
        && m_batchRunning())
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
    // Hidden, not closed: without a tray the close box asks for the ending it is in.
    m_mainWindow->hide();
    emit applicationExited();
}
