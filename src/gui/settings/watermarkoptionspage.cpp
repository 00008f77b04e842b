#include "gui/settings/watermarkoptionspage.h"

#include "core/settings/settingreaders.h"
#include "gui/dialogs/recentfolders.h"
#include "gui/settings/colorswatch.h"
#include "gui/settings/filebrowserrunner.h"
#include "gui/settings/settingscontrols.h"
#include "gui/settings/slidervaluelabel.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QVBoxLayout>

namespace {

QSlider* CreateSlider(const QString& objectName, int minimum, int maximum, int singleStep,
    int pageStep, QWidget* parent)
{
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(objectName);
    slider->setRange(minimum, maximum);
    slider->setSingleStep(singleStep);
    slider->setPageStep(pageStep);
    return slider;
}

// A slider with its number beside it.
QHBoxLayout* WithValue(QSlider* slider, QWidget* parent)
{
    auto* row = new QHBoxLayout;
    row->addWidget(slider, 1);
    row->addWidget(new SliderValueLabel(slider, parent));
    return row;
}

} // namespace

WatermarkOptionsPage::WatermarkOptionsPage(const QString& settingsFile, QWidget* parent)
    : QWidget(parent)
    , m_settingsFile(settingsFile)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(createTextGroup());
    layout->addWidget(createImageGroup());
    layout->addStretch(1);
    connect(m_textEnabled, &QCheckBox::toggled, this, &WatermarkOptionsPage::applyEnableRules);
    connect(m_imageEnabled, &QCheckBox::toggled, this, &WatermarkOptionsPage::applyEnableRules);
    applyEnableRules();
}

QComboBox* WatermarkOptionsPage::createPlaceList(const QString& objectName, QWidget* parent)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(objectName);
    // The position in this list is what is stored, "0" to "4".
    list->addItems({ tr("the top lies on the left"), tr("the top lies on the right"),
        tr("the bottom lies on the left"), tr("the bottom lies on the right"),
        tr("specified place") });
    list->setCurrentIndex(-1);
    return list;
}

QLineEdit* WatermarkOptionsPage::createBox(
    const QString& objectName, const QString& text, QWidget* parent)
{
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(objectName);
    return box;
}

void WatermarkOptionsPage::showZeroWhenEmpty(std::initializer_list<QLineEdit*> boxes)
{
    // The conversion takes the leading number of these values, so an empty box
    // is 0: it says so instead of looking unset.
    for (QLineEdit* box : boxes)
        box->setPlaceholderText(QStringLiteral("0"));
}

QWidget* WatermarkOptionsPage::createTextGroup()
{
    auto* group = new QGroupBox(tr("Watermark String Settings"), this);
    auto* layout = new QGridLayout(group);
    m_textEnabled = new QCheckBox(tr("Enable Watermark Text"), group);
    m_textEnabled->setObjectName(QStringLiteral("chkTextWatermark"));
    layout->addWidget(m_textEnabled, 0, 0, 1, 4);
    layout->addWidget(new QLabel(tr("Watermark Text"), group), 1, 0);
    m_waterText = createBox(QStringLiteral("txtWaterText"), QString(), group);
    layout->addWidget(m_waterText, 1, 1, 1, 3);

    auto* place = new QGroupBox(tr("Watermark place"), group);
    auto* placeLayout = new QGridLayout(place);
    placeLayout->addWidget(new QLabel(tr("Watermark Place"), place), 0, 0);
    m_textPlace = createPlaceList(QStringLiteral("cboTextPlace"), place);
    placeLayout->addWidget(m_textPlace, 0, 1, 1, 3);
    placeLayout->addWidget(new QLabel(tr("X"), place), 1, 0);
    m_textX = createBox(QStringLiteral("txtTx"), QStringLiteral("100"), place);
    placeLayout->addWidget(m_textX, 1, 1);
    placeLayout->addWidget(new QLabel(tr("Y"), place), 1, 2);
    m_textY = createBox(QStringLiteral("txtTy"), QStringLiteral("100"), place);
    placeLayout->addWidget(m_textY, 1, 3);
    placeLayout->addWidget(new QLabel(tr("Rotate"), place), 2, 0);
    m_rotate = createBox(QStringLiteral("txtRotate"), QStringLiteral("25"), place);
    placeLayout->addWidget(m_rotate, 2, 1);
    layout->addWidget(place, 2, 0, 1, 4);

    layout->addWidget(new QLabel(tr("Font"), group), 3, 0);
    m_font = new QComboBox(group);
    m_font->setObjectName(QStringLiteral("cboFont"));
    m_font->addItems(QFontDatabase::families());
    m_font->setCurrentIndex(-1);
    // With no font chosen the conversion draws in the program's own font.
    m_font->setPlaceholderText(QFontInfo(QFont()).family());
    layout->addWidget(m_font, 3, 1, 1, 3);
    layout->addWidget(new QLabel(tr("Size"), group), 4, 0);
    m_textSize = createBox(QStringLiteral("txtTsize"), QString(), group);
    layout->addWidget(m_textSize, 4, 1);
    layout->addWidget(new QLabel(tr("Quality"), group), 4, 2);
    m_textQuality = createBox(QStringLiteral("txtTQuality"), QStringLiteral("100"), group);
    layout->addWidget(m_textQuality, 4, 3);
    layout->addWidget(new QLabel(tr("Transparency"), group), 5, 0);
    m_textTransparency = CreateSlider(QStringLiteral("sldTTransparency"), 1, 100, 1, 5, group);
    // The value is how much of the text is let through: 100 draws nothing. With
    // nothing stored the conversion draws the text whole (0), which the slider
    // cannot show; its nearest value keeps a stamp the user switches on visible.
    m_textTransparency->setValue(m_textTransparency->minimum());
    layout->addLayout(WithValue(m_textTransparency, group), 5, 1, 1, 3);

    auto* colour = new QGroupBox(tr("Text"), group);
    auto* colourLayout = new QHBoxLayout(colour);
    colourLayout->addWidget(new QLabel(tr("Text Color:"), colour));
    m_textColor = new ColorSwatch(colour);
    m_textColor->setObjectName(QStringLiteral("picTextColor"));
    colourLayout->addWidget(m_textColor);
    m_textColorButton = new QPushButton(tr("..."), colour);
    m_textColorButton->setObjectName(QStringLiteral("cmdTextColor"));
    colourLayout->addWidget(m_textColorButton);
    colourLayout->addStretch(1);
    layout->addWidget(colour, 6, 0, 1, 4);

    showZeroWhenEmpty({ m_textX, m_textY, m_rotate, m_textQuality });

    auto pickText = [this] { pickColor(m_textColor, Setting::TextColor); };
    connect(m_textColor, &ColorSwatch::clicked, this, pickText);
    connect(m_textColorButton, &QPushButton::clicked, this, pickText);
    return group;
}

QWidget* WatermarkOptionsPage::createImageGroup()
{
    auto* group = new QGroupBox(tr("Watermark Image Settings"), this);
    auto* layout = new QGridLayout(group);
    m_imageEnabled = new QCheckBox(tr("Enable Watermark Image"), group);
    m_imageEnabled->setObjectName(QStringLiteral("chkImageWatermark"));
    layout->addWidget(m_imageEnabled, 0, 0, 1, 4);
    layout->addWidget(new QLabel(tr("Watermark image"), group), 1, 0);
    m_waterImage = createBox(QStringLiteral("txtWaterImage"), QString(), group);
    layout->addWidget(m_waterImage, 1, 1, 1, 2);
    m_browseImage = new QPushButton(tr("Browse"), group);
    m_browseImage->setObjectName(QStringLiteral("cmdBrowseImage"));
    connect(
        m_browseImage, &QPushButton::clicked, this, &WatermarkOptionsPage::browseWatermarkImage);
    layout->addWidget(m_browseImage, 1, 3);

    auto* place = new QGroupBox(tr("Watermark place"), group);
    auto* placeLayout = new QGridLayout(place);
    placeLayout->addWidget(new QLabel(tr("Watermark Place"), place), 0, 0);
    m_imagePlace = createPlaceList(QStringLiteral("cboImagePlace"), place);
    placeLayout->addWidget(m_imagePlace, 0, 1, 1, 3);
    placeLayout->addWidget(new QLabel(tr("X"), place), 1, 0);
    m_imageX = createBox(QStringLiteral("txtIx"), QStringLiteral("100"), place);
    placeLayout->addWidget(m_imageX, 1, 1);
    placeLayout->addWidget(new QLabel(tr("Y"), place), 1, 2);
    m_imageY = createBox(QStringLiteral("txtIy"), QStringLiteral("100"), place);
    placeLayout->addWidget(m_imageY, 1, 3);
    layout->addWidget(place, 2, 0, 1, 4);
    showZeroWhenEmpty({ m_imageX, m_imageY });

    layout->addWidget(new QLabel(tr("Opacity"), group), 3, 0);
    m_opacity = CreateSlider(QStringLiteral("sldOpacity"), 1, 100, 1, 5, group);
    m_opacity->setValue(100);
    layout->addLayout(WithValue(m_opacity, group), 3, 1, 1, 3);
    layout->addWidget(new QLabel(tr("Deviation"), group), 4, 0);
    m_deviation = CreateSlider(QStringLiteral("sldDeviation"), 0, 255, 5, 10, group);
    layout->addLayout(WithValue(m_deviation, group), 4, 1, 1, 3);

    auto* transparency = new QGroupBox(tr("Transparency"), group);
    auto* transparencyLayout = new QHBoxLayout(transparency);
    transparencyLayout->addWidget(new QLabel(tr("Transparency Color:"), transparency));
    m_transparencyColor = new ColorSwatch(transparency);
    m_transparencyColor->setObjectName(QStringLiteral("picTransparencyColor"));
    transparencyLayout->addWidget(m_transparencyColor);
    m_transparencyColorButton = new QPushButton(tr("..."), transparency);
    m_transparencyColorButton->setObjectName(QStringLiteral("cmdTransparencyColor"));
    transparencyLayout->addWidget(m_transparencyColorButton);
    transparencyLayout->addStretch(1);
    layout->addWidget(transparency, 5, 0, 1, 4);

    auto pickTransparency = [this] { pickColor(m_transparencyColor, Setting::ImageTransparency); };
    connect(m_transparencyColor, &ColorSwatch::clicked, this, pickTransparency);
    connect(m_transparencyColorButton, &QPushButton::clicked, this, pickTransparency);
    return group;
}

void WatermarkOptionsPage::applyEnableRules()
{
    const bool text = m_textEnabled->isChecked();
    for (QWidget* w :
        std::initializer_list<QWidget*> { m_waterText, m_textPlace, m_textX, m_textY, m_rotate,
            m_font, m_textSize, m_textQuality, m_textTransparency, m_textColor, m_textColorButton })
        w->setEnabled(text);

    // The transparency colour's "..." button stays usable, so the key colour
    // can be prepared before the picture watermark is switched on.
    const bool image = m_imageEnabled->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*> { m_waterImage, m_browseImage, m_imagePlace,
             m_imageX, m_imageY, m_opacity, m_deviation, m_transparencyColor })
        w->setEnabled(image);
}

void WatermarkOptionsPage::pickColor(ColorSwatch* swatch, Setting setting)
{
    QColorDialog dialog(m_lastPickedColor, this);
    dialog.setObjectName(QStringLiteral("ColorPicker"));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QColor chosen = dialog.selectedColor();
    if (!chosen.isValid())
        return;
    m_lastPickedColor = chosen;
    swatch->setColor(chosen);
    writeAtOnce(setting, QString::number(ColorSwatch::toColorRef(chosen)));
}

void WatermarkOptionsPage::browseWatermarkImage()
{
    using Kind = RecentFolders::Kind;
    QFileDialog dialog(this, QString(),
        m_folders->startFolder(Kind::WatermarkImage, m_waterImage->text().trimmed()));
    dialog.setObjectName(QStringLiteral("WatermarkImageBrowser"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(tr("Image Files(*.jpg) and Gif Files(*.gif) (*.jpg *.gif)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (RunFileBrowser(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    m_folders->rememberFile(Kind::WatermarkImage, dialog.selectedFiles().constFirst());
    const QString path = QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    m_waterImage->setText(path);
    writeAtOnce(Setting::WaterImage, path);
}

void WatermarkOptionsPage::writeAtOnce(Setting setting, const QString& value)
{
    // The control shows the choice either way, so without a message the user
    // would take it for stored.
    QString error;
    if (!WriteSetting(m_settingsFile, setting, value, &error))
        emit writeFailed(error);
}

void WatermarkOptionsPage::load()
{
    using namespace SettingsControls;
    const QString& file = m_settingsFile;
    auto text = [&file](Setting setting) { return ReadTextSetting(file, setting); };
    auto number = [&file](Setting setting) { return qint64(ReadLeadingNumber(file, setting)); };
    m_textEnabled->setChecked(ReadFlagSetting(file, Setting::TextWatermark));
    m_waterText->setText(text(Setting::WaterText));
    selectPosition(m_textPlace, number(Setting::TextPlace));
    m_textX->setText(text(Setting::TextX));
    m_textY->setText(text(Setting::TextY));
    m_textSize->setText(text(Setting::TextSize));
    m_textQuality->setText(text(Setting::TextQuality));
    selectEntry(m_font, text(Setting::TextFont));
    m_rotate->setText(text(Setting::TextRotate));
    setSliderValue(m_textTransparency, number(Setting::TextTransparency));
    m_textColor->setColor(ColorSwatch::fromColorRef(number(Setting::TextColor)));
    m_imageEnabled->setChecked(ReadFlagSetting(file, Setting::ImageWatermark));
    m_waterImage->setText(text(Setting::WaterImage));
    selectPosition(m_imagePlace, number(Setting::ImagePlace));
    m_imageX->setText(text(Setting::ImageX));
    m_imageY->setText(text(Setting::ImageY));
    m_transparencyColor->setColor(ColorSwatch::fromColorRef(number(Setting::ImageTransparency)));
    setSliderValue(m_deviation, number(Setting::ImageDeviation));
    setSliderValue(m_opacity, number(Setting::ImageOpacity));
    applyEnableRules();
}

namespace {

// The conversion reads these boxes' leading number and takes 0 (or the
// default) for text without one: a whole number such as "12", "-5" or "2.5",
// or nothing, is what they mean.
bool IsNumberOrEmpty(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)$"));
    const QString value = text.trimmed();
    return value.isEmpty() || number.match(value).hasMatch();
}

} // namespace

QWidget* WatermarkOptionsPage::unusableNumber(
    const QList<std::pair<QLineEdit*, QString>>& boxes, QString* problem) const
{
    for (const auto& [box, name] : boxes) {
        if (!IsNumberOrEmpty(box->text())) {
            *problem = tr("%1 must be a number, not \"%2\".").arg(name, box->text().trimmed());
            return box;
        }
    }
    return nullptr;
}

QWidget* WatermarkOptionsPage::unusableWatermark(QString* problem) const
{
    // What the conversion would silently leave out is said before it is stored.
    if (m_textEnabled->isChecked() && m_waterText->text().trimmed().isEmpty()) {
        *problem = tr("Please enter the watermark text, or clear \"Enable Watermark Text\".");
        return m_waterText;
    }
    if (m_textEnabled->isChecked()) {
        if (QWidget* box
            = unusableNumber({ { m_textX, tr("The watermark text's X") },
                                 { m_textY, tr("The watermark text's Y") },
                                 { m_rotate, tr("The watermark text's Rotate") },
                                 { m_textSize, tr("The watermark text's Size") },
                                 { m_textQuality, tr("The watermark text's Quality") } },
                problem))
            return box;
    }
    if (!m_imageEnabled->isChecked())
        return nullptr;
    if (QWidget* box = unusableNumber({ { m_imageX, tr("The watermark image's X") },
                                          { m_imageY, tr("The watermark image's Y") } },
            problem))
        return box;
    const QString path = m_waterImage->text().trimmed();
    if (path.isEmpty()) {
        *problem = tr("Please choose the watermark image, or clear \"Enable Watermark Image\".");
        return m_waterImage;
    }
    if (!QFileInfo(path).isFile()) {
        *problem = tr("The watermark image does not exist:\n%1").arg(path);
        return m_waterImage;
    }
    if (!QImageReader(path).canRead()) {
        *problem = tr("The watermark image is no picture that can be read:\n%1").arg(path);
        return m_waterImage;
    }
    return nullptr;
}

bool WatermarkOptionsPage::save(const QString& file, QString* error) const
{
    return SettingsControls::writeDialogKeys(
        file, SettingsSection::Watermark, [this](Setting setting) { return storedText(setting); },
        error);
}

QString WatermarkOptionsPage::storedText(Setting setting) const
{
    switch (setting) {
    case Setting::TextWatermark:
        return SwitchText(m_textEnabled->isChecked());
    case Setting::WaterText:
        return m_waterText->text().trimmed();
    case Setting::TextPlace:
        return QString::number(m_textPlace->currentIndex());
    case Setting::TextX:
        return m_textX->text().trimmed();
    case Setting::TextY:
        return m_textY->text().trimmed();
    case Setting::TextSize:
        return m_textSize->text().trimmed();
    case Setting::TextQuality:
        return m_textQuality->text().trimmed();
    case Setting::TextFont:
        return m_font->currentText();
    case Setting::TextRotate:
        return m_rotate->text().trimmed();
    case Setting::TextTransparency:
        return QString::number(m_textTransparency->value());
    case Setting::ImageWatermark:
        return SwitchText(m_imageEnabled->isChecked());
    case Setting::WaterImage:
        return m_waterImage->text().trimmed();
    case Setting::ImagePlace:
        return QString::number(m_imagePlace->currentIndex());
    case Setting::ImageX:
        return m_imageX->text().trimmed();
    case Setting::ImageY:
        return m_imageY->text().trimmed();
    case Setting::ImageDeviation:
        return QString::number(m_deviation->value());
    case Setting::ImageOpacity:
        return QString::number(m_opacity->value());
    default:
        break;
    }
    Q_ASSERT_X(false, "WatermarkOptionsPage", "a key OK stores without a control");
    return QString();
}
