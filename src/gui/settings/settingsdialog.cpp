#include "gui/settings/settingsdialog.h"

#include "core/files/fileerror.h"
#include "core/files/wholefile.h"
#include "core/settings/inifile.h"
#include "gui/dialogs/messagepresenter.h"
#include "gui/dialogs/recentfolders.h"
#include "gui/settings/capturesettingspage.h"
#include "gui/settings/generalsettingspage.h"
#include "gui/settings/watermarkoptionspage.h"
#include "gui/widgets/wheelguard.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>

SettingsDialog::SettingsDialog(const QString& settingsFile, const QString& applicationFolder,
    MessagePresenter* messages, QWidget* parent)
    : QDialog(parent)
    , m_settingsFile(settingsFile)
    , m_applicationFolder(applicationFolder)
    , m_messages(messages)
{
    if (!m_messages) {
        m_ownMessages = std::make_unique<MessagePresenter>();
        m_messages = m_ownMessages.get();
    }
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(tr("Settings"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* tabs = m_tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("SSTab1"));
    m_general = new GeneralSettingsPage;
    m_general->setObjectName(QStringLiteral("GeneralSettings"));
    m_watermark = new WatermarkOptionsPage(settingsFile);
    m_watermark->setObjectName(QStringLiteral("WaterMarkOptions"));
    connect(m_watermark, &WatermarkOptionsPage::writeFailed, this,
        [this](const QString& error) { m_messages->critical(this, error); });
    // The second tab holds the watermark options and, below them, the batch's
    // options, which have no tab of their own.
    auto* second = new QWidget;
    auto* secondLayout = new QVBoxLayout(second);
    m_watermark->layout()->setContentsMargins(0, 0, 0, 0);
    secondLayout->addWidget(m_watermark);
    secondLayout->addWidget(m_general->batchGroup());
    m_capture = new CaptureSettingsPage;
    m_capture->setObjectName(QStringLiteral("PageOptions"));
    // Every tab scrolls within the dialog, so the dialog fits a small screen
    // (or a large scale) with its buttons in reach.
    tabs->addTab(scrolled(m_general), tr("General Settings"));
    tabs->addTab(scrolled(second), tr("WaterMark Options"));
    tabs->addTab(scrolled(m_capture), tr("Page"));
    tabs->setCurrentIndex(0);
    m_ownFolders = std::make_unique<RecentFolders>();
    setRecentFolders(m_ownFolders.get());

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* reload = new QPushButton(tr("Reload"), this);
    reload->setObjectName(QStringLiteral("cmdReload"));
    connect(ok, &QPushButton::clicked, this, &SettingsDialog::acceptSettings);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(reload, &QPushButton::clicked, this, &SettingsDialog::loadSettings);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(reload);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addLayout(buttons);

    loadSettings();
    fitOnScreen();
}

SettingsDialog::~SettingsDialog() = default;

QScrollArea* SettingsDialog::scrolled(QWidget* page)
{
    auto* area = new QScrollArea(m_tabs);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area->setWidget(page);
    WheelGuard::guard(page);
    return area;
}

void SettingsDialog::fitOnScreen()
{
    // As large as the tabs want, as far as the screen has room: the largest
    // tab's natural size, but never past the screen's free area (less a margin
    // for the window's frame), where OK and Cancel would be out of reach.
    QSize wanted;
    for (int tab = 0; tab < m_tabs->count(); ++tab) {
        auto* area = qobject_cast<QScrollArea*>(m_tabs->widget(tab));
        if (area && area->widget())
            wanted = wanted.expandedTo(area->widget()->sizeHint());
    }
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QSize chrome = sizeHint() - m_tabs->sizeHint() + QSize(40 + scrollBar, 60);
    QSize size = wanted + chrome;
    if (const QScreen* screen
        = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        const QSize room = screen->availableGeometry().size() - QSize(24, 64);
        size = size.boundedTo(room);
    }
    // The buttons and a few lines of each tab, whatever the screen.
    setMinimumSize(QSize(320, 240).boundedTo(size));
    resize(size);
}

void SettingsDialog::setRecentFolders(RecentFolders* folders)
{
    m_general->setRecentFolders(folders);
    m_watermark->setRecentFolders(folders);
}

void SettingsDialog::loadSettings()
{
    m_general->load(m_settingsFile, m_applicationFolder);
    m_watermark->load();
    m_capture->load(m_settingsFile);
}

bool SettingsDialog::saveAll(QString* error) const
{
    // The keys go into a copy of the file, one after the other as each page
    // writes them, and the copy then into the file in one atomic write: a page
    // that starts meanwhile reads all of them or none, and the file's lines
    // stand in the order the keys were written.
    QTemporaryDir staging;
    if (!staging.isValid()) {
        *error = FileErrorText(QStringLiteral("write"), m_settingsFile, staging.errorString());
        return false;
    }
    const QString copy = staging.filePath(QFileInfo(m_settingsFile).fileName());
    // A file that cannot be read is not rewritten: its other keys would be lost.
    QByteArray bytes;
    if (QFileInfo::exists(m_settingsFile)
        && (!ReadWholeFile(m_settingsFile, &bytes, error, ByteOrderMark::Keep, MaxSettingsFileBytes)
            || !WriteWholeFile(copy, bytes, error)))
        return false;
    const bool staged = m_general->save(copy, error) && m_watermark->save(copy, error)
        && m_capture->save(copy, error) && ReadWholeFile(copy, &bytes, error);
    if (!staged) {
        // Named as the user knows the file.
        error->replace(copy, m_settingsFile);
        return false;
    }
    return WriteWholeFile(m_settingsFile, bytes, error);
}

void SettingsDialog::showField(int tab, QWidget* field)
{
    m_tabs->setCurrentIndex(tab);
    if (auto* area = qobject_cast<QScrollArea*>(m_tabs->widget(tab)))
        area->ensureWidgetVisible(field);
    field->setFocus();
}

void SettingsDialog::acceptSettings()
{
    // The name is checked whatever naming option is chosen: it is the name
    // used the moment the user switches back to custom names.
    if (m_general->fileNameText().trimmed().isEmpty()) {
        m_messages->critical(this, tr("Please enter audio file name."));
        return;
    }
    QString problem;
    if (QWidget* field = m_watermark->unusableWatermark(&problem)) {
        m_messages->critical(this, problem);
        showField(1, field);
        return;
    }
    if (QWidget* field = m_capture->unusableField(&problem)) {
        m_messages->critical(this, problem);
        showField(2, field);
        return;
    }
    // A failed write keeps the dialog open with the reason, so nobody leaves
    // believing settings are stored that are not.
    QString error;
    if (!saveAll(&error)) {
        m_messages->critical(this, error);
        return;
    }
    emit outputFormatSaved(m_general->outputFormat());
    accept();
}
