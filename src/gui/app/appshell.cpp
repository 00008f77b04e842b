#include "gui/app/appshell.h"

#include "core/app/appinfo.h"
#include "gui/app/appcontext.h"
#include "gui/app/commandrouter.h"
#include "gui/app/startarguments.h"
#include "gui/convert/batchdriver.h"
#include "gui/desktop/trayicon.h"
#include "gui/desktop/urlopener.h"
#include "gui/dialogs/filedialogs.h"
#include "gui/dialogs/messagepresenter.h"
#include "gui/mainwindow/enginelabel.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/statusframe.h"
#include "gui/mainwindow/toolbaricons.h"
#include "gui/scheduler/schedulewindowhost.h"
#include "gui/urllist/urllistcommands.h"
#include "gui/widgets/skin.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QPointer>
#include <QSystemTrayIcon>

AppShell::AppShell(const QString& applicationFolder, const ShellServices& services, QObject* parent)
    : QObject(parent)
    , m_context(std::make_unique<AppContext>(applicationFolder))
    , m_services(services)
{
    if (!m_services.messages) {
        m_ownMessages = std::make_unique<MessagePresenter>();
        m_services.messages = m_ownMessages.get();
    }
    if (!m_services.opener) {
        m_ownOpener = std::make_unique<UrlOpener>();
        m_services.opener = m_ownOpener.get();
    }
    if (!m_services.fileDialogs) {
        m_ownFileDialogs = std::make_unique<FileDialogs>();
        m_services.fileDialogs = m_ownFileDialogs.get();
    }
    if (!m_services.trayAvailable)
        m_services.trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    if (!m_services.quit)
        m_services.quit = [] { QCoreApplication::exit(0); };
}

AppShell::~AppShell()
{
    // The router refers to the window and the tray; it goes first.
    m_router.reset();
    m_mainWindow.reset();
    // Unloading the schedule window saves its list.
    m_scheduler.reset();
    m_tray.reset();
}

bool AppShell::trayAvailable() const
{
    return m_services.trayAvailable();
}

bool AppShell::start()
{
    const QFileInfo logo(m_context->filePath(QString::fromLatin1(AppInfo::LogoFileName)));
    if (!logo.isFile()) {
        m_services.messages->critical(nullptr, tr("File is missing or corrupted!"));
        return false;
    }
    QString folderError;
    if (!m_context->folders().prepare(&folderError)) {
        m_services.messages->critical(nullptr, folderError);
        return false;
    }

    // Without a skin the windows keep the desktop's look and work all the same.
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (application)
        ApplySkin(application, m_context->applicationFolder(), nullptr);
    // The installed icon when there is one, so the windows match the desktop entry.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("pagelith"),
        QIcon(ToolbarIcons::pixmap(ToolbarIcons::Kind::Application, 64))));
    // The program ends through ExitApplication, not when its last window hides.
    QApplication::setQuitOnLastWindowClosed(false);

    const bool withTray = trayAvailable();
    m_tray = std::make_unique<TrayIcon>();
    if (withTray)
        m_tray->install();

    ScheduleSetup schedule;
    schedule.applicationFolder = m_context->applicationFolder();
    schedule.messages = m_services.messages;
    AppContext* context = m_context.get();
    schedule.conversions = [context] { return context->conversionService(); };
    m_scheduler = std::make_unique<ScheduleWindowHost>(schedule);
    m_scheduler->load();

    m_mainWindow = std::make_unique<MainWindow>();
    m_mainWindow->setHidesToTray(withTray);
    m_router = std::make_unique<CommandRouter>(m_context.get(), m_services.messages,
        m_services.opener, m_services.fileDialogs, m_mainWindow.get(), m_tray.get());
    ScheduleWindowHost* scheduler = m_scheduler.get();
    m_router->setRoutine(
        CommandRouter::Routine::ScheduleWindow, [scheduler] { scheduler->showWindow(); });
    connect(m_router.get(), &CommandRouter::applicationExited, this, [this] { m_services.quit(); });
    wireBatchDriver();
    // The engine field follows the queue's engine, also when a change made in
    // the settings takes over later.
    QPointer<EngineLabel> engineLabel = m_mainWindow->statusFrame()->engineLabel();
    auto showEngine = [context, engineLabel] {
        if (engineLabel)
            engineLabel->showEngine(context->currentEngine(), context->engineNotices());
    };
    m_context->setEngineChangedHandler(showEngine);
    showEngine();
    m_mainWindow->centreOnScreen();
    m_mainWindow->show();
    if (const QString notice = m_context->startupNotice(); !notice.isEmpty())
        m_mainWindow->setStatusText(notice);
    return true;
}

void AppShell::openInputs(const QStringList& arguments, const QString& workingFolder)
{
    const StartInputs inputs = ResolveStartArguments(arguments, workingFolder);
    if (!inputs.addresses.isEmpty())
        m_router->listCommands()->appendAddresses(inputs.addresses);
    if (!inputs.problems.isEmpty())
        m_services.messages->critical(m_mainWindow.get(), inputs.problems.join(QLatin1Char('\n')));
}

void AppShell::wireBatchDriver()
{
    // The main window owns the driver; the router reaches it only while it lives.
    QPointer<BatchDriver> driver = new BatchDriver(
        m_mainWindow.get(), m_context.get(), m_services.messages, m_services.opener);
    driver->setObjectName(QStringLiteral("batchDriver"));
    // The tray's cancel is there to stop a batch: without one it has nothing to do.
    QAction* trayCancel = m_tray->cancelConvert;
    trayCancel->setEnabled(false);
    connect(driver, &BatchDriver::batchStarted, trayCancel,
        [trayCancel] { trayCancel->setEnabled(true); });
    connect(driver, &BatchDriver::batchEnded, trayCancel,
        [trayCancel] { trayCancel->setEnabled(false); });
    // The quit question speaks of the running batch; it goes with it.
    MessagePresenter* messages = m_services.messages;
    connect(driver, &BatchDriver::batchEnded, this, [messages] { messages->withdrawQuestion(); });
    m_router->setRoutine(CommandRouter::Routine::ConvertNow, [driver] {
        if (driver)
            driver->start();
    });
    m_router->setRoutine(CommandRouter::Routine::CancelConvert, [driver] {
        if (driver)
            driver->cancel();
    });
    m_router->setBatchRunning([driver] { return driver && driver->isConverting(); });
    m_router->setRoutine(CommandRouter::Routine::CancelConvertQuietly, [driver] {
        if (driver)
            driver->cancelQuietly();
    });
}
