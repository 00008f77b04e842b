#include "gui/mainwindow/mainwindow.h"

#include "core/app/appinfo.h"
#include "gui/convert/batchdriver.h"
#include "gui/desktop/windowfront.h"
#include "gui/mainwindow/mainmenus.h"
#include "gui/mainwindow/progresspanel.h"
#include "gui/mainwindow/statusframe.h"
#include "gui/mainwindow/toolbarstrip.h"
#include "gui/urllist/urllistwidget.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , m_menus(new MainMenus(this))
    , m_toolbar(new ToolbarStrip)
    , m_urlList(new UrlListWidget)
    , m_progressPanel(new ProgressPanel)
    , m_statusFrame(new StatusFrame)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(AppInfo::mainCaption());

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralArea"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(6);
    layout->addWidget(m_toolbar);
    layout->addWidget(m_urlList, 1);
    layout->addWidget(m_progressPanel);
    layout->addWidget(m_statusFrame);
    setCentralWidget(central);

    m_urlList->setPopupMenu(m_menus->popup);
    // Why a row failed is in its tooltip; selecting the row says it too, for
    // whoever does not hover (or uses the keyboard).
    connect(m_urlList, &QTreeWidget::itemSelectionChanged, this, [this] {
        const int row = m_urlList->selectedRow();
        QTreeWidgetItem* item = row >= 0 ? m_urlList->topLevelItem(row) : nullptr;
        const QString reason = item ? item->toolTip(UrlListWidget::StatusColumn) : QString();
        if (!reason.isEmpty()) {
            m_statusFrame->statusLabel()->setText(
                tr("%1: %2").arg(item->text(UrlListWidget::StatusColumn), reason));
        }
    });
    // Shown only while a batch runs.
    m_progressPanel->hide();

    // The client area is 764 x 479; the menu bar comes on top of it.
    resize(764, 479 + menuBar()->sizeHint().height());
}

MainWindow::~MainWindow()
{
    // The batch driver sees this window only through BatchView, which is gone
    // once this body returns, while the list it listens to is deleted later with
    // the other children (and resets its model as it goes). It ends first, while
    // the window is whole.
    qDeleteAll(findChildren<BatchDriver*>(Qt::FindDirectChildrenOnly));
    delete m_menus;
}

void MainWindow::centreOnScreen()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Never larger than the screen's free area, and never past its edges: a
    // window wider than a small screen (or one at a large scale) would open with
    // its left part, title and menus off the screen.
    const QRect room = screen->availableGeometry();
    const QSize frameExtra = frameGeometry().size() - size();
    resize(size().boundedTo(room.size() - frameExtra).expandedTo(minimumSizeHint()));
    QRect frame = frameGeometry();
    frame.moveCenter(room.center());
    frame.moveLeft(qMax(frame.left(), room.left()));
    frame.moveTop(qMax(frame.top(), room.top()));
    move(frame.topLeft());
}

void MainWindow::restoreFromTray()
{
    BringToFront(this);
    // A dialog of this window minimised with it (the window manager minimises
    // them together) comes back with it, or it would seem lost.
    const QList<QWidget*> windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window != this && window->parentWidget() == this && window->isVisible()
            && window->isMinimized())
            BringToFront(window);
    }
    // A modal dialog takes all input while it is open; it comes back in front
    // of the window, or the window would look frozen.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != this)
        BringToFront(modal);
}

QAbstractItemModel* MainWindow::batchRows()
{
    return m_urlList->model();
}

QString MainWindow::rowAddress(int row) const
{
    return m_urlList->address(row);
}

void MainWindow::setRowState(int row, const QString& status, const QString& reason)
{
    m_urlList->setResult(row, status, reason);
}

void MainWindow::showProgress(bool shown)
{
    m_progressPanel->setVisible(shown);
}

void MainWindow::setProgressTitle(const QString& title)
{
    m_progressPanel->setTitle(title);
}

int MainWindow::progress() const
{
    return m_progressPanel->progressBar()->value();
}

void MainWindow::setProgress(int percent)
{
    m_progressPanel->progressBar()->setValue(percent);
}

void MainWindow::setStatusText(const QString& text)
{
    m_statusFrame->statusLabel()->setText(text);
    m_progressPanel->statusLabel()->setText(text);
}

void MainWindow::setBusy(bool busy)
{
    if (busy)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && m_hidesToTray) {
        // Hiding from inside the state change confuses some window managers;
        // do it as soon as the change is through.
        // While a modal dialog is open the window stays minimised (hidden, it
        // would take its dialog with it); the tray icon, which such dialogs do
        // not block, brings both back.
        QTimer::singleShot(0, this, [this] {
            if (isMinimized() && !QApplication::activeModalWidget())
                hide();
        });
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Closing hides the window; its list and any running batch stay intact, so
    // the tray can bring it back as it was.
    if (m_hidesToTray) {
        event->accept();
        return;
    }
    // Without a tray the close box ends the program, which may first ask (a
    // batch is running); the window stays until the program really ends, and
    // the ending hides it.
    event->ignore();
    emit programCloseRequested();
}
