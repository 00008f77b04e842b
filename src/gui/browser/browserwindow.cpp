#include "gui/browser/browserwindow.h"

#include "core/app/appfolders.h"
#include "core/settings/settingreaders.h"
#include "engine/capture/loaderror.h"
#include "engine/queue/conversionrequest.h"
#include "engine/queue/conversionresult.h"
#include "engine/queue/conversionservice.h"
#include "gui/browser/browserpage.h"
#include "gui/desktop/urlopener.h"
#include "gui/dialogs/messagepresenter.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineView>

namespace {

// The window's layout in pixels; the browser keeps this left and top and
// takes the client width and the client height minus its top.
constexpr int BrowserLeft = 6;
constexpr int BrowserTop = 60;
constexpr int StatusBarHeight = 25;
constexpr QSize InitialClientSize(1108, 627);
// The view's size in that first layout, before the window is first resized.
constexpr QSize InitialViewSize(1057, 531);
// The toolbar frame's left, top and height; it reaches to this margin from the
// client's right edge.
constexpr int FrameLeft = 8;
constexpr int FrameTop = 4;
constexpr int FrameHeight = 45;
constexpr int FrameRightMargin = 8;
// The narrowest frame that holds every button whole and an address box of 150
// pixels: narrow enough for a small screen at a large scale.
constexpr int NarrowestFrame = 536;
// The buttons keep their places from the frame's right edge: each one's left
// and width; the address box takes the rest.
constexpr int ConvertFromRight = 123;
constexpr int StopFromRight = 169;
constexpr int ForwardFromRight = 225;
constexpr int BackFromRight = 265;
constexpr int GoFromRight = 297;
constexpr int AddressLeft = 72;
constexpr int AddressEndFromRight = 314;
// Below this the toolbar would be cut, and the page would have no room.
constexpr QSize MinimumClientSize(
    FrameLeft + NarrowestFrame + FrameRightMargin, BrowserTop + 100 + StatusBarHeight);

// Script run before the view is converted: a focused link or field would carry
// its focus ring into the picture.
const QString DropFocusScript = QStringLiteral(
    "if (document.activeElement && document.activeElement.blur) document.activeElement.blur();");

QPushButton* createButton(
    const QString& objectName, const QString& text, const QRect& geometry, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}

} // namespace

BrowserWindow::BrowserWindow(const Context& context, QWidget* parent)
    : QDialog(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(tr("Browser"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    if (!m_context.messages) {
        m_ownMessages = std::make_unique<MessagePresenter>();
        m_context.messages = m_ownMessages.get();
    }
    if (!m_context.opener) {
        m_ownOpener = std::make_unique<UrlOpener>();
        m_context.opener = m_ownOpener.get();
    }

    m_view = new QWebEngineView(this);
    m_view->setObjectName(QStringLiteral("WebBrowser1"));
    m_page = new BrowserPage(m_view);
    m_view->setPage(m_page);
    m_view->setGeometry(QRect(QPoint(BrowserLeft, BrowserTop), InitialViewSize));

    createToolbar();

    m_status = new QStatusBar(this);
    m_status->setObjectName(QStringLiteral("StatusBar1"));
    m_status->setSizeGripEnabled(false);
    m_status->raise();

    connect(m_page, &BrowserPage::navigationRequested, this,
        [this](const QUrl& url) { m_address->setText(url.toString()); });
    connect(m_page, &QWebEnginePage::loadStarted, this, [this] {
        m_loadStatus = tr("Opening page %1...").arg(m_address->text());
        showStatus(m_loadStatus);
    });
    connect(m_page, &QWebEnginePage::loadProgress, this, [this](int percent) {
        if (percent > 0 && percent < 100)
            showStatus(tr("Loading %1 (%2%)").arg(m_page->url().toString()).arg(percent));
    });
    // How a load ended comes in two signals whose order is not fixed; each
    // shows what is known, so the text is right once both are in.
    connect(m_page, &QWebEnginePage::loadingChanged, this,
        [this](const QWebEngineLoadingInfo& info) { loadingChanged(info); });
    connect(m_page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        // A stop or a failure already reported keeps its more telling text.
        if (m_loadEnded == LoadEnd::None || m_loadEnded == LoadEnd::Done)
            m_loadEnded = ok ? LoadEnd::Done : LoadEnd::Failed;
        showLoadEnd();
    });
    // Hovering a link shows its address; leaving it shows the load state again.
    connect(m_page, &QWebEnginePage::linkHovered, this,
        [this](const QString& url) { showStatus(url.isEmpty() ? m_loadStatus : url); });

    if (m_context.conversions) {
        connect(m_context.conversions, &ConversionService::finished, this,
            &BrowserWindow::conversionFinished);
    } else {
        m_convert->setEnabled(false);
        m_convert->setToolTip(tr("Not available yet"));
    }

    // Escape closes the window wherever the focus is: the page keeps the keys
    // it is given to itself, so the dialog's own Escape never sees them.
    auto* escape = new QShortcut(QKeySequence::Cancel, this);
    escape->setObjectName(QStringLiteral("escapeShortcut"));
    connect(escape, &QShortcut::activated, this, &BrowserWindow::reject);

    setMinimumSize(MinimumClientSize);
    // The first size, as far as the screen has room for it (less a margin for
    // the window's frame and the desktop's panels): its buttons stay in reach.
    QSize first = InitialClientSize;
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        first = first.boundedTo(screen->availableGeometry().size() - QSize(24, 64));
    resize(first.expandedTo(MinimumClientSize));
    const QUrl start = QUrl::fromUserInput(m_context.startUrl);
    if (start.isValid())
        m_view->load(start);
}

BrowserWindow::~BrowserWindow() = default;

void BrowserWindow::createToolbar()
{
    QFont frameFont(QStringLiteral("Tahoma"));
    frameFont.setPointSizeF(9);
    auto* frame = m_frame = new QGroupBox(tr("Browser"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setFont(frameFont);
    frame->setGeometry(FrameLeft, FrameTop, NarrowestFrame, FrameHeight);

    auto* label = new QLabel(tr("Address:"), frame);
    label->setGeometry(12, 18, 55, 17);

    QFont addressFont(QStringLiteral("Tahoma"));
    addressFont.setPointSizeF(8.25);
    m_address = new QLineEdit(tr("Text1"), frame);
    m_address->setObjectName(QStringLiteral("Text1"));
    m_address->setFont(addressFont);
    m_address->setGeometry(72, 14, 561, 25);
    connect(m_address, &QLineEdit::returnPressed, this, &BrowserWindow::navigateToAddressBox);

    m_go = createButton(QStringLiteral("GoButton"), tr("Go"), QRect(650, 14, 33, 25), frame);
    connect(m_go, &QPushButton::clicked, this, &BrowserWindow::navigateToAddressBox);
    m_back = createButton(QStringLiteral("BackButton"), tr("Back"), QRect(682, 14, 41, 25), frame);
    connect(m_back, &QPushButton::clicked, m_view, &QWebEngineView::back);
    m_forward = createButton(
        QStringLiteral("ForwardButton"), tr("Forward"), QRect(722, 14, 57, 25), frame);
    connect(m_forward, &QPushButton::clicked, m_view, &QWebEngineView::forward);
    m_stop = createButton(QStringLiteral("StopButton"), tr("Stop"), QRect(778, 14, 41, 25), frame);
    connect(m_stop, &QPushButton::clicked, m_view, &QWebEngineView::stop);
    // Each button is usable exactly when the page's own action is: Back and
    // Forward with history on that side, Stop while a page loads.
    const std::pair<QPushButton*, QWebEnginePage::WebAction> followed[]
        = { { m_back, QWebEnginePage::Back }, { m_forward, QWebEnginePage::Forward },
              { m_stop, QWebEnginePage::Stop } };
    for (const auto& [button, webAction] : followed) {
        QAction* action = m_page->action(webAction);
        button->setEnabled(action->isEnabled());
        connect(action, &QAction::changed, button,
            [button, action] { button->setEnabled(action->isEnabled()); });
    }

    QFont convertFont(QStringLiteral("Tahoma"));
    convertFont.setPointSizeF(9);
    convertFont.setBold(true);
    m_convert = createButton(
        QStringLiteral("cmdWriteDisc"), tr("CONVERT NOW!"), QRect(824, 12, 117, 28), frame);
    m_convert->setFont(convertFont);
    m_convert->setToolTip(tr("Convert Pagelith"));
    connect(m_convert, &QPushButton::clicked, this, &BrowserWindow::convertNow);
}

void BrowserWindow::navigateToAddressBox()
{
    // The text as it stands; an address the browser cannot make sense of is
    // passed over without a message.
    const QUrl url = QUrl::fromUserInput(m_address->text());
    if (url.isValid())
        m_view->load(url);
}

void BrowserWindow::loadingChanged(const QWebEngineLoadingInfo& info)
{
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        // The page's own address still names the page shown before this load.
        m_loadingUrl = info.url();
        m_loadEnded = LoadEnd::None;
        m_loadError.clear();
        return;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        m_loadEnded = LoadEnd::Stopped;
        // The page on the screen is still the one before: the box names it again.
        if (const QWebEngineHistoryItem shown = m_view->history()->currentItem(); shown.isValid())
            m_address->setText(shown.url().toString());
        break;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        m_loadEnded = LoadEnd::Failed;
        m_loadError = LoadErrorText(info);
        break;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        m_loadEnded = LoadEnd::Done;
        break;
    }
    showLoadEnd();
}

void BrowserWindow::showLoadEnd()
{
    const QString address = m_loadingUrl.toString();
    switch (m_loadEnded) {
    case LoadEnd::None:
        return;
    case LoadEnd::Done:
        m_loadStatus = tr("Done");
        break;
    case LoadEnd::Stopped:
        m_loadStatus = tr("Stopped loading %1").arg(address);
        break;
    case LoadEnd::Failed:
        m_loadStatus = m_loadError.isEmpty() ? tr("Cannot open %1").arg(address)
                                             : tr("Cannot open %1: %2").arg(address, m_loadError);
        break;
    }
    showStatus(m_loadStatus);
}

void BrowserWindow::showStatus(const QString& text)
{
    m_status->showMessage(text);
}

void BrowserWindow::layoutToolbar()
{
    const int frameWidth = qMax(NarrowestFrame, width() - FrameLeft - FrameRightMargin);
    m_frame->setGeometry(FrameLeft, FrameTop, frameWidth, FrameHeight);
    const auto fromRight
        = [frameWidth](QWidget* widget, int left) { widget->move(frameWidth - left, widget->y()); };
    fromRight(m_convert, ConvertFromRight);
    fromRight(m_stop, StopFromRight);
    fromRight(m_forward, ForwardFromRight);
    fromRight(m_back, BackFromRight);
    fromRight(m_go, GoFromRight);
    m_address->resize(frameWidth - AddressEndFromRight - AddressLeft, m_address->height());
}

void BrowserWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    layoutToolbar();
    m_status->setGeometry(0, height() - StatusBarHeight, width(), StatusBarHeight);
    // While a conversion has the view enlarged it is left alone; the rule is
    // applied again once the view is back.
    if (m_conversionId < 0)
        layoutBrowser();
}

void BrowserWindow::layoutBrowser()
{
    // The browser reaches the client's right edge and runs on under the status
    // bar; below the toolbar's height it keeps its former height.
    const int browserHeight = height() - BrowserTop;
    m_view->setGeometry(
        BrowserLeft, BrowserTop, width(), browserHeight >= 0 ? browserHeight : m_view->height());
}

void BrowserWindow::convertNow()
{
    if (!m_context.conversions || m_conversionId >= 0)
        return;
    ConversionRequest request;
    // Named after what the address box says now, typed or followed; the page
    // converted is the one on the screen.
    request.address = m_address->text();
    const AppFolders folders(m_context.applicationFolder);
    request.applicationFolder = folders.defaultOutputFolder();
    request.tempFolder = folders.tempFolder();
    request.settingsFile = m_context.settingsFile;
    request.view = m_view;
    request.convertsView = true;
    request.clock = m_context.clock;
    m_convert->setEnabled(false);
    // Runs in the page before any script of the conversion's own.
    m_page->runJavaScript(DropFocusScript);
    m_conversionId = m_context.conversions->enqueue(request);
}

void BrowserWindow::conversionFinished(int id, const ConversionResult& result)
{
    if (id != m_conversionId)
        return;
    m_conversionId = -1;
    m_convert->setEnabled(true);
    layoutBrowser();

    // Success is only claimed for a file that is really there.
    if (!result.ok || result.filesWritten.isEmpty()) {
        QString reason = result.reason;
        if (reason.isEmpty())
            reason = result.encoderMessage.isEmpty() ? tr("No file was written.")
                                                     : result.encoderMessage;
        m_context.messages->critical(this, tr("Conversion failed: %1").arg(reason));
        return;
    }
    // Without a file manager the folder cannot be shown: the message says
    // where the file is.
    if (!m_context.opener->opensFolders()) {
        m_context.messages->information(this,
            tr("Conversion completed!") + QLatin1Char('\n')
                + tr("The file is in %1 (no file manager is set up to show the folder).")
                      .arg(QDir::toNativeSeparators(
                          QFileInfo(result.filesWritten.constFirst()).absolutePath())));
        return;
    }
    m_context.messages->information(this, tr("Conversion completed!"));
    // Read again: the settings may have changed while the message was open.
    m_context.opener->open(QUrl::fromLocalFile(OutputFolderSetting(
        m_context.settingsFile, AppFolders(m_context.applicationFolder).defaultOutputFolder())));
}

void BrowserWindow::closeEvent(QCloseEvent* event)
{
    // The conversion works on this window's view; the window stays until it
    // has finished with it.
    if (m_conversionId >= 0) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void BrowserWindow::reject()
{
    if (m_conversionId >= 0)
        return;
    QDialog::reject();
}

void BrowserWindow::done(int result)
{
    // Closed from outside (the application ending) while the page still waits
    // in the queue: once the window is gone there is nothing left to capture.
    if (m_conversionId >= 0 && m_context.conversions) {
        m_context.conversions->cancelPending(m_conversionId);
        m_conversionId = -1;
        m_convert->setEnabled(true);
    }
    QDialog::done(result);
}
