#include "gui/desktop/trayicon.h"

#include "core/app/appinfo.h"
#include "gui/mainwindow/menuentry.h"
#include "gui/mainwindow/toolbaricons.h"

#include <QAction>
#include <QMenu>

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent)
    , m_menu(new QMenu(QStringLiteral("SysTray")))
    , m_icon(new QSystemTrayIcon(this))
{
    setObjectName(QStringLiteral("frmtray"));
    m_menu->setObjectName(QStringLiteral("mPopupSys"));
    onTheWeb = AddMenuEntry(m_menu, "mnuSysWeb", tr("Pagelith On the Web"));
    help = AddMenuEntry(m_menu, "mnuSysHelp", tr("Help"));
    m_menu->addSeparator();
    showMainWindow = AddMenuEntry(m_menu, "mnuSysShow", tr("Pagelith"));
    m_menu->addSeparator();
    settings = AddMenuEntry(m_menu, "mnuSysSettings", tr("Settings"));
    m_menu->addSeparator();
    convertNow = AddMenuEntry(m_menu, "mnuSysConvert", tr("Convert Now"));
    cancelConvert = AddMenuEntry(m_menu, "mnuSysCancel", tr("Cancel Convert"));
    m_menu->addSeparator();
    exit = AddMenuEntry(m_menu, "mnuSysExit", tr("Exit"));

    m_icon->setObjectName(QStringLiteral("trayIcon"));
    m_icon->setIcon(QIcon::fromTheme(QStringLiteral("pagelith"),
        QIcon(ToolbarIcons::pixmap(ToolbarIcons::Kind::Application, 64))));
    m_icon->setToolTip(AppInfo::title().left(63));
    // The desktop opens this menu on a right click, at the pointer.
    m_icon->setContextMenu(m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::onActivated);
    connect(showMainWindow, &QAction::triggered, this, &TrayIcon::restoreRequested);
}

TrayIcon::~TrayIcon()
{
    delete m_menu;
}

void TrayIcon::install()
{
    m_icon->show();
}

void TrayIcon::remove()
{
    m_menu->close();
    m_icon->hide();
}

bool TrayIcon::isInstalled() const
{
    return m_icon->isVisible();
}

void TrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    // Each click of a double click is a Trigger of its own and restores the
    // window; the double click itself, the middle button and the right button
    // (which opens the menu) do nothing here.
    if (reason == QSystemTrayIcon::Trigger)
        emit restoreRequested();
}
