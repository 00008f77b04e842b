#include "generalsettingspage.h"

#include "app/appinfo.h"
#include "app/recentfolders.h"
#include "settings/inifile.h"
#include "settings/settingreaders.h"
#include "settings/settingskeys.h"
#include "settingscontrols.h"
#include "slidervaluelabel.h"

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

const QString& Section = SettingsSection::Set;

QString flagText(const QCheckBox* box)
{
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

QSpinBox* createSecondsBox(const QString& objectName, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(objectName);
    box->setRange(1, 86400);
    box->setSingleStep(1);
    box->setValue(60);
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
    m_fileName = new QLineEdit(QStringLiteral("Webimage"), naming);
    m_fileName->setObjectName(QStringLiteral("txtFileName"));
    namingLayout->addWidget(m_fileName, 1, 1);
    namingLayout->addWidget(new QLabel(QStringLiteral("+"), naming), 1, 2);
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
    m_outputType->addItems(
        { QStringLiteral("Image"), QStringLiteral("PDF"), QStringLiteral("TEXT") });
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
    m_timeout = createSecondsBox(QStringLiteral("txtTimeout"), group);
    layout->addWidget(m_timeout, 0, 1);
    layout->addWidget(new QLabel(tr("Seconds"), group), 0, 2);
    layout->addWidget(new QLabel(tr("Delay"), group), 1, 0);
    m_delay = createSecondsBox(QStringLiteral("txtDelay"), group);
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

void GeneralSettingsPage::refillFormats()
{
    const QString type = m_outputType->currentText();
    QStringList formats;
    if (type == QLatin1String("PDF"))
        formats = { QStringLiteral("PDF") };
    else if (type == QLatin1String("TEXT"))
        formats = { QStringLiteral("TXT") };
    else
        formats = { QStringLiteral("BMP"), QStringLiteral("JPG"), QStringLiteral("GIF"),
            QStringLiteral("PNG"), QStringLiteral("TIFF") };
    m_outputFormat->clear();
    m_outputFormat->addItems(formats);
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
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString folder = dialog.selectedFiles().constFirst();
    m_folders->rememberFolder(Kind::OutputFolder, folder);
    m_outputFolder->setText(QDir::toNativeSeparators(folder));
}

void GeneralSettingsPage::load(const QString& file, const QString& applicationFolder)
{
    using namespace SettingsControls;
    // Setting the type refills the format list even when it stays the same, so
    // the stored format is looked up in the list that belongs to the stored type.
    if (selectEntry(m_outputType,
            ReadTextSetting(file, Section, QStringLiteral("outputtype"), QStringLiteral("Image"))))
        refillFormats();
    selectEntry(m_outputFormat,
        ReadTextSetting(file, Section, QStringLiteral("outputformat"), QStringLiteral("BMP")));
    setSliderValue(
        m_quality, qint64(LeadingNumber(ReadSetting(file, Section, QStringLiteral("quality")))));
    selectEntry(m_imageSize, ReadSetting(file, Section, QStringLiteral("imagesize")));
    m_outputFolder->setText(OutputFolderSetting(file, applicationFolder));
    m_fileName->setText(
        ReadTextSetting(file, Section, QStringLiteral("filename"), QStringLiteral("webimage")));
    m_dateTime->setChecked(ReadFlagSetting(file, Section, QStringLiteral("datetime")));
    (ReadChoiceSetting(file, Section, QStringLiteral("fileoption")) == 0 ? m_customName
                                                                         : m_siteName)
        ->setChecked(true);
    (ReadChoiceSetting(file, Section, QStringLiteral("existedfile")) == 0 ? m_addNumber
                                                                          : m_overwrite)
        ->setChecked(true);
    setSpinValue(m_timeout, ReadNumberSetting(file, Section, QStringLiteral("timeout"), 60));
    setSpinValue(m_delay, ReadNumberSetting(file, Section, QStringLiteral("delay"), 60));
    m_scripts->setChecked(ReadFlagSetting(file, Section, QStringLiteral("Scripts")));
    m_java->setChecked(ReadFlagSetting(file, Section, QStringLiteral("JAVA")));
    m_activeX->setChecked(ReadFlagSetting(file, Section, QStringLiteral("ActiveX")));
    m_thumbnail->setChecked(ReadFlagSetting(file, Section, QStringLiteral("Thumbnail")));
}

bool GeneralSettingsPage::save(const QString& file, QString* error) const
{
    // Stops at the first failure: the keys after it would meet the same
    // unwritable file, and the first reason is the one worth showing.
    bool ok = true;
    auto write = [&](const char* key, const QString& value) {
        if (ok)
            ok = WriteSetting(file, Section, QString::fromLatin1(key), value, error);
    };
    write("outputtype", m_outputType->currentText());
    write("outputformat", m_outputFormat->currentText());
    write("quality", QString::number(m_quality->value()));
    write("outputfolder", m_outputFolder->text().trimmed());
    write("filename", m_fileName->text().trimmed());
    write("datetime", flagText(m_dateTime));
    write("fileoption", m_siteName->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    write("existedfile", m_overwrite->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    write("timeout", QString::number(m_timeout->value()));
    write("delay", QString::number(m_delay->value()));
    write("Scripts", flagText(m_scripts));
    write("JAVA", flagText(m_java));
    write("ActiveX", flagText(m_activeX));
    write("Thumbnail", flagText(m_thumbnail));
    write("imagesize", m_imageSize->currentText());
    return ok;
}

QString GeneralSettingsPage::fileNameText() const
{
    return m_fileName->text();
}

QString GeneralSettingsPage::outputFormat() const
{
    return m_outputFormat->currentText();
}
