#include "gui/settings/generalsettingspage.h"

#include "core/app/appinfo.h"
#include "core/settings/outputformats.h"
#include "core/settings/settingreaders.h"
#include "gui/dialogs/recentfolders.h"
#include "gui/settings/filebrowserrunner.h"
#include "gui/settings/settingscontrols.h"
#include "gui/settings/slidervaluelabel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// Shown until a stored value replaces it; a value the box cannot show (0 or
// less) leaves it there.
QSpinBox* CreateSecondsBox(const QString& objectName, Setting setting, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(objectName);
    // A day at most, like the time-out the conversion accepts.
    box->setRange(1, MaxTimeoutSeconds);
    box->setSingleStep(1);
    box->setValue(KeyOf(setting).defaultValue.toInt());
    return box;
}

} // namespace

GeneralSettingsPage::GeneralSettingsPage(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QGridLayout(this);
    layout->addWidget(createOutputGroup(), 0, 0, 1, 2);
    layout->addWidget(createFormatGroup(), 1, 0);
    layout->addWidget(createBrowserGroup(), 1, 1);
    layout->addWidget(createThumbnailGroup(), 2, 0, 1, 2);
    layout->setRowStretch(3, 1);
    m_batchGroup = createBatchGroup();
    refillFormats();
}

QWidget* GeneralSettingsPage::createOutputGroup()
{
    auto* group = new QGroupBox(tr("Save Output Files to"), this);
    auto* layout = new QVBoxLayout(group);

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel(tr("Output Folder"), group));
    m_outputFolder = new QLineEdit(group);
    m_outputFolder->setObjectName(QStringLiteral("txtOutputFolder"));
    folderRow->addWidget(m_outputFolder, 1);
    auto* browse = new QPushButton(tr("Browse..."), group);
    browse->setObjectName(QStringLiteral("cmdBrowseFolder"));
    connect(browse, &QPushButton::clicked, this, &GeneralSettingsPage::browseOutputFolder);
    folderRow->addWidget(browse);
    layout->addLayout(folderRow);

    auto* naming = new QGroupBox(tr("Filename prefill system to use"), group);
    auto* namingLayout = new QGridLayout(naming);
    m_customName
        = new QRadioButton(tr("Custom File Name + Date (ddmmyyyy) + Time (hhmmss)"), naming);
    m_customName->setObjectName(QStringLiteral("optCustomName"));
    m_customName->setChecked(true);
    namingLayout->addWidget(m_customName, 0, 0, 1, 4);
    namingLayout->addWidget(new QLabel(tr("File Name"), naming), 1, 0);
    m_fileName = new QLineEdit(naming);
    m_fileName->setObjectName(QStringLiteral("txtFileName"));
    namingLayout->addWidget(m_fileName, 1, 1);
    namingLayout->addWidget(new QLabel(tr("+"), naming), 1, 2);
    m_dateTime = new QCheckBox(tr("Date + Time"), naming);
    m_dateTime->setObjectName(QStringLiteral("chkDateTime"));
    namingLayout->addWidget(m_dateTime, 1, 3);
    m_siteName = new QRadioButton(tr("Name the output file based on the web site name"), naming);
    m_siteName->setObjectName(QStringLiteral("optSiteName"));
    namingLayout->addWidget(m_siteName, 2, 0, 1, 4);
    namingLayout->addWidget(
        new QLabel(tr("For Example: www_wesitename_com.jpg"), naming), 3, 1, 1, 3);
    auto* namingChoice = new QButtonGroup(naming);
    namingChoice->addButton(m_customName);
    namingChoice->addButton(m_siteName);
    layout->addWidget(naming);

    auto* existing = new QGroupBox(tr("If same as an existed file"), group);
    auto* existingLayout = new QHBoxLayout(existing);
    m_addNumber = new QRadioButton(tr("Add number after filename"), existing);
    m_addNumber->setObjectName(QStringLiteral("optAddNumber"));
    m_addNumber->setChecked(true);
    m_overwrite = new QRadioButton(tr("Overwrite the existed file"), existing);
    m_overwrite->setObjectName(QStringLiteral("optOverwrite"));
    existingLayout->addWidget(m_addNumber);
    existingLayout->addWidget(m_overwrite);
    auto* existingChoice = new QButtonGroup(existing);
    existingChoice->addButton(m_addNumber);
    existingChoice->addButton(m_overwrite);
    layout->addWidget(existing);
    return group;
}

QWidget* GeneralSettingsPage::createFormatGroup()
{
    auto* group = new QGroupBox(tr("Output Format"), this);
    auto* layout = new QGridLayout(group);
    layout->addWidget(new QLabel(tr("Output Type"), group), 0, 0);
    m_outputType = new QComboBox(group);
    m_outputType->setObjectName(QStringLiteral("cboOutputType"));
    // The stored names, not translated: the list selects the stored text.
    m_outputType->addItems(OutputTypeNames());
    connect(
        m_outputType, &QComboBox::currentIndexChanged, this, &GeneralSettingsPage::refillFormats);
    layout->addWidget(m_outputType, 0, 1);

    layout->addWidget(new QLabel(tr("Output Format"), group), 1, 0);
    m_outputFormat = new QComboBox(group);
    m_outputFormat->setObjectName(QStringLiteral("cboOutputFormat"));
    layout->addWidget(m_outputFormat, 1, 1);

    layout->addWidget(new QLabel(tr("Image Quality %"), group), 2, 0);
    m_quality = new QSlider(Qt::Horizontal, group);
    m_quality->setObjectName(QStringLiteral("sldQuality"));
    m_quality->setRange(1, 100);
    m_quality->setSingleStep(10);
    m_quality->setPageStep(20);
    m_quality->setTickPosition(QSlider::TicksBelow);
    m_quality->setTickInterval(10);
    // Until a stored quality replaces it: full quality, never a smeared image
    // because the file had no value yet.
    m_quality->setValue(100);
    auto* qualityRow = new QHBoxLayout;
    qualityRow->addWidget(m_quality, 1);
    qualityRow->addWidget(new SliderValueLabel(m_quality, group));
    layout->addLayout(qualityRow, 2, 1);
    return group;
}

QWidget* GeneralSettingsPage::createBrowserGroup()
{
    auto* group = new QGroupBox(tr("Browser"), this);
    auto* layout = new QGridLayout(group);
    layout->addWidget(new QLabel(tr("Timeout"), group), 0, 0);
    m_timeout = CreateSecondsBox(QStringLiteral("txtTimeout"), Setting::Timeout, group);
    layout->addWidget(m_timeout, 0, 1);
    layout->addWidget(new QLabel(tr("Seconds"), group), 0, 2);
    layout->addWidget(new QLabel(tr("Delay"), group), 1, 0);
    m_delay = CreateSecondsBox(QStringLiteral("txtDelay"), Setting::Delay, group);
    layout->addWidget(m_delay, 1, 1);
    layout->addWidget(new QLabel(tr("Seconds"), group), 1, 2);

    m_scripts = new QCheckBox(tr("Enable Scripts"), group);
    m_scripts->setObjectName(QStringLiteral("chkScripts"));
    m_java = new QCheckBox(tr("Enable JAVA"), group);
    m_java->setObjectName(QStringLiteral("chkJava"));
    m_activeX = new QCheckBox(tr("Enable ActiveX"), group);
    m_activeX->setObjectName(QStringLiteral("chkActiveX"));
    layout->addWidget(m_scripts, 2, 0, 1, 3);
    layout->addWidget(m_java, 3, 0, 1, 3);
    layout->addWidget(m_activeX, 4, 0, 1, 3);
    return group;
}

QWidget* GeneralSettingsPage::createThumbnailGroup()
{
    auto* group = new QGroupBox(tr("Thumbnail copy"), this);
    auto* layout = new QHBoxLayout(group);
    m_thumbnail = new QCheckBox(tr("Create thumbnail cpies of converted images"), group);
    m_thumbnail->setObjectName(QStringLiteral("chkThumbnail"));
    layout->addWidget(m_thumbnail, 1);
    layout->addWidget(new QLabel(tr("Image Size %"), group));
    m_imageSize = new QComboBox(group);
    m_imageSize->setObjectName(QStringLiteral("cboImageSize"));
    for (int percent = 1; percent <= 100; ++percent)
        m_imageSize->addItem(QString::number(percent));
    // Shown empty until a stored size selects an entry.
    m_imageSize->setCurrentIndex(-1);
    layout->addWidget(m_imageSize);
    return group;
}

QWidget* GeneralSettingsPage::createBatchGroup()
{
    auto* group = new QGroupBox(tr("Batch"), this);
    group->setObjectName(QStringLiteral("batchGroup"));
    auto* layout = new QHBoxLayout(group);
    auto* label = new QLabel(tr("Pages at once"), group);
    layout->addWidget(label);
    m_pagesAtOnce = new QSpinBox(group);
    m_pagesAtOnce->setObjectName(QStringLiteral("txtPagesAtOnce"));
    m_pagesAtOnce->setRange(1, 4);
    m_pagesAtOnce->setValue(KeyOf(Setting::PagesAtOnce).defaultValue.toInt());
    m_pagesAtOnce->setToolTip(
        tr("Pages of a batch loaded at the same time; more is faster on a fast machine "
           "and uses more memory"));
    label->setBuddy(m_pagesAtOnce);
    layout->addWidget(m_pagesAtOnce);
    layout->addStretch(1);
    return group;
}

void GeneralSettingsPage::refillFormats()
{
    m_outputFormat->clear();
    m_outputFormat->addItems(OutputFormatNames(OutputTypeNamed(m_outputType->currentText())));
    m_outputFormat->setCurrentIndex(0);
}

void GeneralSettingsPage::browseOutputFolder()
{
    using Kind = RecentFolders::Kind;
    QFileDialog dialog(this, AppInfo::title(),
        m_folders->startFolder(Kind::OutputFolder, m_outputFolder->text().trimmed()));
    dialog.setObjectName(QStringLiteral("OutputFolderBrowser"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (RunFileBrowser(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString folder = dialog.selectedFiles().constFirst();
    m_folders->rememberFolder(Kind::OutputFolder, folder);
    m_outputFolder->setText(QDir::toNativeSeparators(folder));
}

void GeneralSettingsPage::load(const QString& file, const QString& applicationFolder)
{
    using namespace SettingsControls;
    const auto text = [&file](Setting setting) {
        return ReadTextSetting(file, setting, SettingReader::Dialog);
    };
    // Setting the type refills the format list even when it stays the same, so
    // the stored format is looked up in the list that belongs to the stored type.
    if (selectEntry(m_outputType, text(Setting::OutputType)))
        refillFormats();
    selectEntry(m_outputFormat, text(Setting::OutputFormat));
    setSliderValue(m_quality, qint64(ReadLeadingNumber(file, Setting::Quality)));
    selectEntry(m_imageSize, text(Setting::ImageSize));
    m_outputFolder->setText(OutputFolderSetting(file, applicationFolder));
    m_fileName->setText(text(Setting::FileName));
    m_dateTime->setChecked(ReadFlagSetting(file, Setting::DateTime));
    (ReadChoiceSetting(file, Setting::FileOption) == 0 ? m_customName : m_siteName)
        ->setChecked(true);
    (ReadChoiceSetting(file, Setting::ExistedFile) == 0 ? m_addNumber : m_overwrite)
        ->setChecked(true);
    setSpinValue(m_timeout, ReadNumberSetting(file, Setting::Timeout));
    setSpinValue(m_delay, ReadNumberSetting(file, Setting::Delay));
    m_scripts->setChecked(ReadFlagSetting(file, Setting::Scripts));
    m_java->setChecked(ReadFlagSetting(file, Setting::Java));
    m_activeX->setChecked(ReadFlagSetting(file, Setting::ActiveX));
    m_thumbnail->setChecked(ReadFlagSetting(file, Setting::Thumbnail));
    m_pagesAtOnce->setValue(KeyOf(Setting::PagesAtOnce).defaultValue.toInt());
    setSpinValue(m_pagesAtOnce, ReadNumberSetting(file, Setting::PagesAtOnce));
}

bool GeneralSettingsPage::save(const QString& file, QString* error) const
{
    return SettingsControls::writeDialogKeys(
        file, SettingsSection::Set, [this](Setting setting) { return storedText(setting); }, error);
}

QString GeneralSettingsPage::storedText(Setting setting) const
{
    switch (setting) {
    case Setting::OutputType:
        return m_outputType->currentText();
    case Setting::OutputFormat:
        return m_outputFormat->currentText();
    case Setting::Quality:
        return QString::number(m_quality->value());
    case Setting::OutputFolder:
        return m_outputFolder->text().trimmed();
    case Setting::FileName:
        return m_fileName->text().trimmed();
    case Setting::DateTime:
        return SwitchText(m_dateTime->isChecked());
    case Setting::FileOption:
        return SwitchText(m_siteName->isChecked());
    case Setting::ExistedFile:
        return SwitchText(m_overwrite->isChecked());
    case Setting::Timeout:
        return QString::number(m_timeout->value());
    case Setting::Delay:
        return QString::number(m_delay->value());
    case Setting::Scripts:
        return SwitchText(m_scripts->isChecked());
    case Setting::Java:
        return SwitchText(m_java->isChecked());
    case Setting::ActiveX:
        return SwitchText(m_activeX->isChecked());
    case Setting::Thumbnail:
        return SwitchText(m_thumbnail->isChecked());
    case Setting::ImageSize:
        return m_imageSize->currentText();
    case Setting::PagesAtOnce:
        return QString::number(m_pagesAtOnce->value());
    default:
        break;
    }
    Q_ASSERT_X(false, "GeneralSettingsPage", "a key of section set without a control");
    return QString();
}

QString GeneralSettingsPage::fileNameText() const
{
    return m_fileName->text();
}

QString GeneralSettingsPage::outputFormat() const
{
    return m_outputFormat->currentText();
}
