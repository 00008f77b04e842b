#include "gui/settings/capturesettingspage.h"

#include "core/settings/pdfpagesetup.h"
#include "core/settings/settingreaders.h"
#include "engine/capture/captureoptions.h"
#include "engine/chromium/chromiumbrowser.h"
#include "gui/settings/requestsettingsgroup.h"
#include "gui/settings/settingscontrols.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const QStringList SchemeValues = { QString(), QStringLiteral("light"), QStringLiteral("dark") };
const QStringList MediaValues = { QString(), QStringLiteral("print") };

QLineEdit* CreateLine(const QString& objectName, QWidget* parent)
{
    auto* line = new QLineEdit(parent);
    line->setObjectName(objectName);
    return line;
}

// The engine list's entries and the text each stores.
const QStringList EngineValues = { QString(), QStringLiteral("chromium"), QStringLiteral("qt") };

QSpinBox* CreateViewportBox(const QString& objectName, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(objectName);
    box->setRange(CaptureOptions::MinViewport, CaptureOptions::MaxViewport);
    box->setSuffix(QStringLiteral(" px"));
    return box;
}

} // namespace

CaptureSettingsPage::CaptureSettingsPage(QWidget* parent)
    : QWidget(parent)
{
    m_engine = new QComboBox(this);
    m_engine->setObjectName(QStringLiteral("cboEngine"));
    m_engine->addItems(
        { tr("Chromium when installed, else Qt WebEngine"), tr("Chromium"), tr("Qt WebEngine") });
    m_chromium = new QLineEdit(this);
    m_chromium->setObjectName(QStringLiteral("txtChromium"));
    m_chromium->setPlaceholderText(tr("the first one on the PATH"));
    m_width = CreateViewportBox(QStringLiteral("spnWidth"), this);
    m_height = CreateViewportBox(QStringLiteral("spnHeight"), this);
    m_scale = new QDoubleSpinBox(this);
    m_scale->setObjectName(QStringLiteral("spnScale"));
    m_scale->setRange(1, CaptureOptions::MaxScale);
    m_scale->setSingleStep(0.5);
    m_scale->setDecimals(2);
    m_viewportOnly = new QCheckBox(tr("Capture the first screen only"), this);
    m_viewportOnly->setObjectName(QStringLiteral("chkViewportOnly"));

    m_selector = CreateLine(QStringLiteral("txtSelector"), this);
    m_selector->setPlaceholderText(tr("a CSS selector; empty: the whole page"));
    m_waitFor = CreateLine(QStringLiteral("txtWaitFor"), this);
    m_waitFor->setPlaceholderText(tr("a CSS selector"));
    m_wait = new QSpinBox(this);
    m_wait->setObjectName(QStringLiteral("spnWait"));
    m_wait->setRange(0, CaptureOptions::MaxExtraWaitMs);
    m_wait->setSuffix(QStringLiteral(" ms"));
    m_hide = CreateLine(QStringLiteral("txtHide"), this);
    m_hide->setPlaceholderText(tr("CSS selectors, separated by commas"));
    m_hideCookieBanners = new QCheckBox(tr("Hide cookie and consent banners"), this);
    m_hideCookieBanners->setObjectName(QStringLiteral("chkHideCookieBanners"));
    m_userAgent = CreateLine(QStringLiteral("txtUserAgent"), this);
    m_userAgent->setPlaceholderText(tr("the browser's own"));
    m_colorScheme = new QComboBox(this);
    m_colorScheme->setObjectName(QStringLiteral("cboColorScheme"));
    m_colorScheme->addItems({ tr("The browser's own"), tr("Light"), tr("Dark") });
    m_media = new QComboBox(this);
    m_media->setObjectName(QStringLiteral("cboMedia"));
    m_media->addItems({ tr("Screen"), tr("Print") });

    m_pdfPaper = new QComboBox(this);
    m_pdfPaper->setObjectName(QStringLiteral("cboPdfPaper"));
    m_pdfPaper->setEditable(true);
    m_pdfPaper->addItems(PdfPageSetup::paperNames().split(QStringLiteral(", ")));
    m_pdfPaper->setToolTip(tr("A paper name, or width x height with units: 210mmx297mm"));
    m_pdfLandscape = new QCheckBox(tr("Landscape"), this);
    m_pdfLandscape->setObjectName(QStringLiteral("chkPdfLandscape"));
    m_pdfMargin = CreateLine(QStringLiteral("txtPdfMargin"), this);
    m_pdfMargin->setPlaceholderText(tr("10mm; or in cm, in, pt, px"));
    m_pdfBackground = new QCheckBox(tr("Print backgrounds"), this);
    m_pdfBackground->setObjectName(QStringLiteral("chkPdfBackground"));
    m_pdfHeaderFooter = new QCheckBox(tr("Title and date above, \"Page N of M\" below"), this);
    m_pdfHeaderFooter->setObjectName(QStringLiteral("chkPdfHeaderFooter"));

    auto* form = new QFormLayout;
    // A field too narrow beside its label goes below it: the tab is as wide as the
    // dialog's other tabs.
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    form->addRow(tr("Engine"), m_engine);
    form->addRow(tr("Chromium program"), m_chromium);
    form->addRow(tr("Window width"), m_width);
    form->addRow(tr("Window height"), m_height);
    form->addRow(tr("Scale (image pixels per CSS pixel)"), m_scale);
    form->addRow(QString(), m_viewportOnly);
    form->addRow(tr("Capture only the element"), m_selector);
    form->addRow(tr("Wait for the element"), m_waitFor);
    form->addRow(tr("Wait longer"), m_wait);
    form->addRow(tr("Hide the elements"), m_hide);
    form->addRow(QString(), m_hideCookieBanners);
    form->addRow(tr("User agent"), m_userAgent);
    form->addRow(tr("Colour scheme"), m_colorScheme);
    form->addRow(tr("Media"), m_media);
    form->addRow(tr("PDF paper"), m_pdfPaper);
    form->addRow(QString(), m_pdfLandscape);
    form->addRow(tr("PDF margins"), m_pdfMargin);
    form->addRow(QString(), m_pdfBackground);
    form->addRow(QString(), m_pdfHeaderFooter);
    // What goes with the requests, below the rest; the tab scrolls.
    m_requests = new RequestSettingsGroup(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_requests);
    layout->addStretch(1);

    connect(
        m_engine, &QComboBox::currentIndexChanged, this, &CaptureSettingsPage::applyEngineRules);
}

void CaptureSettingsPage::load(const QString& file)
{
    const qsizetype engine
        = EngineValues.indexOf(ReadTextSetting(file, Setting::Engine).trimmed().toLower());
    m_engine->setCurrentIndex(engine < 0 ? 0 : int(engine));
    m_chromium->setText(ReadTextSetting(file, Setting::ChromiumPath));
    const auto number = [&](Setting setting) {
        const int value = ReadNumberSetting(file, setting);
        return value > 0 ? value : KeyOf(setting).defaultValue.toInt();
    };
    if (!SettingsControls::setSpinValue(m_width, number(Setting::ViewportWidth)))
        m_width->setValue(KeyOf(Setting::ViewportWidth).defaultValue.toInt());
    if (!SettingsControls::setSpinValue(m_height, number(Setting::ViewportHeight)))
        m_height->setValue(KeyOf(Setting::ViewportHeight).defaultValue.toInt());
    const double scale = ReadLeadingNumber(file, Setting::Scale);
    m_scale->setValue(scale >= 1 && scale <= CaptureOptions::MaxScale ? scale : 1);
    m_viewportOnly->setChecked(ReadFlagSetting(file, Setting::ViewportOnly));
    m_selector->setText(ReadTextSetting(file, Setting::Selector));
    m_waitFor->setText(ReadTextSetting(file, Setting::WaitFor));
    SettingsControls::setSpinValue(m_wait, ReadNumberSetting(file, Setting::ExtraWait));
    m_hide->setText(ReadTextSetting(file, Setting::Hide));
    m_hideCookieBanners->setChecked(ReadFlagSetting(file, Setting::HideCookieBanners));
    m_userAgent->setText(ReadTextSetting(file, Setting::UserAgent));
    m_colorScheme->setCurrentIndex(std::max<int>(0,
        int(SchemeValues.indexOf(
            ReadTextSetting(file, Setting::ColorScheme).trimmed().toLower()))));
    m_media->setCurrentIndex(std::max<int>(
        0, int(MediaValues.indexOf(ReadTextSetting(file, Setting::Media).trimmed().toLower()))));
    m_pdfPaper->setCurrentText(ReadTextSetting(file, Setting::PdfPaper).trimmed());
    m_pdfLandscape->setChecked(ReadFlagSetting(file, Setting::PdfLandscape));
    m_pdfMargin->setText(ReadTextSetting(file, Setting::PdfMargin).trimmed());
    m_pdfBackground->setChecked(
        ReadTextSetting(file, Setting::PdfBackground).trimmed() != QLatin1String("0"));
    m_pdfHeaderFooter->setChecked(ReadFlagSetting(file, Setting::PdfHeaderFooter));
    m_requests->load(file);
    applyEngineRules();
}

QWidget* CaptureSettingsPage::unusableField(QString* problem) const
{
    if (QWidget* field = m_requests->unusableField(problem))
        return field;
    const std::optional<QSizeF> paper = PdfPageSetup::parsePaper(m_pdfPaper->currentText());
    if (!paper) {
        *problem = tr("The PDF paper must be %1 or a width and height with units, such as "
                      "210mmx297mm, each side 1 to 200 inches.")
                       .arg(PdfPageSetup::paperNames());
        return m_pdfPaper;
    }
    const QString marginText = m_pdfMargin->text().trimmed();
    if (marginText.isEmpty())
        return nullptr;
    const std::optional<double> margin = PdfPageSetup::parseLength(marginText);
    if (!margin) {
        *problem = tr("The PDF margin must be a length with its unit, such as 10mm, 0.5in or "
                      "20px.");
        return m_pdfMargin;
    }
    if (!PdfPageSetup::marginFits(*margin, *paper)) {
        *problem
            = tr("A PDF margin of %1 leaves too little of the paper to print on.").arg(marginText);
        return m_pdfMargin;
    }
    return nullptr;
}

bool CaptureSettingsPage::save(const QString& file, QString* error) const
{
    return SettingsControls::writeDialogKeys(
        file, SettingsSection::Capture, [this](Setting setting) { return storedText(setting); },
        error);
}

QString CaptureSettingsPage::storedText(Setting setting) const
{
    switch (setting) {
    case Setting::Engine:
        return EngineValues.value(m_engine->currentIndex());
    case Setting::ChromiumPath:
        return m_chromium->text().trimmed();
    case Setting::ViewportWidth:
        return QString::number(m_width->value());
    case Setting::ViewportHeight:
        return QString::number(m_height->value());
    case Setting::Scale:
        return QString::number(m_scale->value());
    case Setting::ViewportOnly:
        return m_viewportOnly->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    case Setting::Selector:
        return m_selector->text().trimmed();
    case Setting::WaitFor:
        return m_waitFor->text().trimmed();
    case Setting::ExtraWait:
        return QString::number(m_wait->value());
    case Setting::Hide:
        return m_hide->text().trimmed();
    case Setting::HideCookieBanners:
        return m_hideCookieBanners->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    case Setting::UserAgent:
        return m_userAgent->text().trimmed();
    case Setting::ColorScheme:
        return SchemeValues.value(m_colorScheme->currentIndex());
    case Setting::Media:
        return MediaValues.value(m_media->currentIndex());
    case Setting::PdfPaper:
        return m_pdfPaper->currentText().trimmed();
    case Setting::PdfLandscape:
        return SwitchText(m_pdfLandscape->isChecked());
    case Setting::PdfMargin:
        return m_pdfMargin->text().trimmed();
    case Setting::PdfBackground:
        return SwitchText(m_pdfBackground->isChecked());
    case Setting::PdfHeaderFooter:
        return SwitchText(m_pdfHeaderFooter->isChecked());
    default:
        return m_requests->storedText(setting);
    }
}

bool CaptureSettingsPage::qtEngineChosen() const
{
    const QString engine = EngineValues.value(m_engine->currentIndex());
    if (engine == QLatin1String("qt"))
        return true;
    // The automatic choice falls back to Qt WebEngine when no Chromium is found.
    return engine.isEmpty() && m_chromium->text().trimmed().isEmpty()
        && ChromiumBrowser::find().isEmpty();
}

void CaptureSettingsPage::applyEngineRules()
{
    const bool qt = qtEngineChosen();
    const QString why = qt
        ? tr("The Qt WebEngine engine cannot honour this option; choose Chromium to use it")
        : QString();
    for (QWidget* control : { static_cast<QWidget*>(m_scale), static_cast<QWidget*>(m_userAgent),
             static_cast<QWidget*>(m_colorScheme), static_cast<QWidget*>(m_media),
             static_cast<QWidget*>(m_pdfHeaderFooter) }) {
        control->setEnabled(!qt);
        control->setToolTip(why);
    }
    m_requests->setRefused(why);
}
