#include "core/settings/inifile.h"
#include "core/settings/settingskeys.h"
#include "fakeservices.h"
#include "gui/app/commandrouter.h"
#include "gui/desktop/trayicon.h"
#include "gui/dialogs/recentfolders.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/settings/filebrowserrunner.h"
#include "gui/settings/settingsdialog.h"
#include "gui/urllist/urllistwidget.h"
#include "nextmodal.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace {

// The settings dialog a test shows itself is not the modal window it waits for.
void onNextInnerModal(std::function<void(QWidget*)> handle, const char* className = nullptr)
{
    onNextModal(std::move(handle), QStringLiteral("Form4"), className);
}

// The key lines of one section of an INI file, in file order.
QStringList keysOf(const QString& file, const QString& section)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList keys;
    bool inSection = false;
    const QStringList lines = QString::fromLocal8Bit(f.readAll()).split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inSection = line.mid(1, line.size() - 2).compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (inSection && line.contains(QLatin1Char('=')))
            keys << line.section(QLatin1Char('='), 0, 0).trimmed();
    }
    return keys;
}

} // namespace

class TestSettingsDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void opensWithDefaultsWithoutFile();
    void loadsStoredValuesWithTheReadRules();
    void storedTypeDecidesTheFormatList();
    void changingTheTypeRefillsTheFormats();
    void okWritesEveryKeyInOrder();
    void okReadsBackWhatWasLoaded();
    void blankFileNameIsRefused();
    void failedWritesAreReportedAndKeepTheDialogOpen();
    void enableRulesFollowTheCheckBoxes();
    void colourIsWrittenAtOnceAndSurvivesCancel();
    void transparencyColourCanBePickedWhileImageIsOff();
    void cancelledColourDialogChangesNothing();
    void browseImageWritesAtOnce();
    void browsersOpenWhereTheLastOneEnded();
    void browseFolderWritesOnlyOnOk();
    void reloadRereadsTheFile();
    void everySettingsEntryOpensTheDialog();
    void okRefreshesTheListsFormatColumn();

private:
    template <typename T> T* child(QWidget* dialog, const char* name)
    {
        T* widget = dialog->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("missing control %s", name);
        return widget;
    }
    void click(QWidget* dialog, const char* name) { child<QPushButton>(dialog, name)->click(); }
    QString read(const char* section, const char* key)
    {
        return ReadSetting(m_file, QString::fromLatin1(section), QString::fromLatin1(key));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;
};

void TestSettingsDialog::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_file = m_dir->filePath(QStringLiteral("settings.dat"));
    // A browser a test did not expect opens its own loop, as the user's would.
    SetFileBrowserRunner({});
}

void TestSettingsDialog::opensWithDefaultsWithoutFile()
{
    SettingsDialog dialog(m_file, m_dir->path());
    QCOMPARE(dialog.objectName(), QStringLiteral("Form4"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Settings"));
    auto* tabs = child<QTabWidget>(&dialog, "SSTab1");
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->tabText(0), QStringLiteral("General Settings"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("WaterMark Options"));

    QCOMPARE(child<QLineEdit>(&dialog, "txtOutputFolder")->text(), m_dir->path());
    QCOMPARE(child<QLineEdit>(&dialog, "txtFileName")->text(), QStringLiteral("webimage"));
    QCOMPARE(child<QComboBox>(&dialog, "cboOutputType")->currentText(), QStringLiteral("Image"));
    QCOMPARE(child<QComboBox>(&dialog, "cboOutputFormat")->currentText(), QStringLiteral("BMP"));
    QCOMPARE(child<QSpinBox>(&dialog, "txtTimeout")->value(), 60);
    QCOMPARE(child<QSpinBox>(&dialog, "txtDelay")->value(), 60);
    QVERIFY(child<QRadioButton>(&dialog, "optCustomName")->isChecked());
    QVERIFY(child<QRadioButton>(&dialog, "optAddNumber")->isChecked());
    for (const char* flag : { "chkDateTime", "chkScripts", "chkJava", "chkActiveX", "chkThumbnail",
             "chkTextWatermark", "chkImageWatermark" })
        QVERIFY2(!child<QCheckBox>(&dialog, flag)->isChecked(), flag);
    QCOMPARE(child<QComboBox>(&dialog, "cboImageSize")->currentText(), QString());
    QCOMPARE(child<QComboBox>(&dialog, "cboImageSize")->count(), 100);
    // Nothing stored: the sliders show full quality and a stamp drawn (almost)
    // whole, so "OK" on a first run writes usable values.
    QCOMPARE(child<QSlider>(&dialog, "sldQuality")->value(), 100);
    QCOMPARE(child<QSlider>(&dialog, "sldTTransparency")->value(), 1);
    QCOMPARE(child<QSlider>(&dialog, "sldOpacity")->value(), 100);
    QCOMPARE(child<QSlider>(&dialog, "sldDeviation")->value(), 0);
    QCOMPARE(child<QComboBox>(&dialog, "cboTextPlace")->currentIndex(), 0);
    QCOMPARE(child<QComboBox>(&dialog, "cboImagePlace")->currentIndex(), 0);
    QCOMPARE(child<QLabel>(&dialog, "picTextColor")->palette().color(QPalette::Window),
        QColor(Qt::black));
    // Opening reads, never writes.
    QVERIFY(!QFile::exists(m_file));
}

void TestSettingsDialog::loadsStoredValuesWithTheReadRules()
{
    QFile f(m_file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    // Hand-written: odd capitals, blanks around values, a zero timeout, values
    // that no control can show.
    f.write("[SET]\r\noutputfolder=/srv/shots\r\nfilename=  \r\noutputtype=Image\r\n"
            "outputformat=  JPG  \r\nquality=250\r\nimagesize=25\r\ndatetime=1\r\n"
            "fileoption=1\r\nexistedfile=7\r\ntimeout=0\r\ndelay=15\r\nscripts=1\r\n"
            "JAVA=yes\r\nActiveX=1\r\nThumbnail=1\r\n"
            "[watermark]\r\ntextwatermark=1\r\nwatertext=Draft\r\ntwz=3\r\nTx=5\r\nTy=7\r\n"
            "Tsize=12\r\nTQuality=80\r\nTfont=No Such Font At All\r\nTRotate=45\r\n"
            "Ttransparency=40\r\ntextcolor=16711680\r\nimagewatermark=0\r\n"
            "waterimage=/tmp/stamp.gif\r\nIwz=9\r\nIx=1\r\nIy=2\r\nItransparency=255\r\n"
            "IDeviation=30\r\nIOpacity=0\r\n");
    f.close();

    SettingsDialog dialog(m_file, m_dir->path());
    QCOMPARE(child<QLineEdit>(&dialog, "txtOutputFolder")->text(), QStringLiteral("/srv/shots"));
    QCOMPARE(child<QLineEdit>(&dialog, "txtFileName")->text(), QStringLiteral("webimage"));
    QCOMPARE(child<QComboBox>(&dialog, "cboOutputFormat")->currentText(), QStringLiteral("JPG"));
    QCOMPARE(child<QComboBox>(&dialog, "cboImageSize")->currentText(), QStringLiteral("25"));
    // Out of range: the slider keeps what it had.
    QCOMPARE(child<QSlider>(&dialog, "sldQuality")->value(), 100);
    QVERIFY(child<QCheckBox>(&dialog, "chkDateTime")->isChecked());
    QVERIFY(child<QRadioButton>(&dialog, "optSiteName")->isChecked());
    QVERIFY(child<QRadioButton>(&dialog, "optOverwrite")->isChecked());
    QCOMPARE(child<QSpinBox>(&dialog, "txtTimeout")->value(), 60);
    QCOMPARE(child<QSpinBox>(&dialog, "txtDelay")->value(), 15);
    QVERIFY(child<QCheckBox>(&dialog, "chkScripts")->isChecked());
    QVERIFY(!child<QCheckBox>(&dialog, "chkJava")->isChecked());
    QVERIFY(child<QCheckBox>(&dialog, "chkActiveX")->isChecked());
    QVERIFY(child<QCheckBox>(&dialog, "chkThumbnail")->isChecked());

    QVERIFY(child<QCheckBox>(&dialog, "chkTextWatermark")->isChecked());
    QCOMPARE(child<QLineEdit>(&dialog, "txtWaterText")->text(), QStringLiteral("Draft"));
    QCOMPARE(child<QComboBox>(&dialog, "cboTextPlace")->currentIndex(), 3);
    QCOMPARE(child<QLineEdit>(&dialog, "txtTx")->text(), QStringLiteral("5"));
    QCOMPARE(child<QLineEdit>(&dialog, "txtTy")->text(), QStringLiteral("7"));
    QCOMPARE(child<QLineEdit>(&dialog, "txtTsize")->text(), QStringLiteral("12"));
    QCOMPARE(child<QLineEdit>(&dialog, "txtTQuality")->text(), QStringLiteral("80"));
    QCOMPARE(child<QComboBox>(&dialog, "cboFont")->currentIndex(), -1);
    QCOMPARE(child<QLineEdit>(&dialog, "txtRotate")->text(), QStringLiteral("45"));
    QCOMPARE(child<QSlider>(&dialog, "sldTTransparency")->value(), 40);
    // 16711680 is pure blue: red sits in the low byte.
    QCOMPARE(child<QLabel>(&dialog, "picTextColor")->palette().color(QPalette::Window),
        QColor(0, 0, 255));
    QVERIFY(!child<QCheckBox>(&dialog, "chkImageWatermark")->isChecked());
    QCOMPARE(child<QLineEdit>(&dialog, "txtWaterImage")->text(), QStringLiteral("/tmp/stamp.gif"));
    QCOMPARE(child<QComboBox>(&dialog, "cboImagePlace")->currentIndex(), -1);
    QCOMPARE(child<QLineEdit>(&dialog, "txtIx")->text(), QStringLiteral("1"));
    QCOMPARE(child<QLineEdit>(&dialog, "txtIy")->text(), QStringLiteral("2"));
    QCOMPARE(child<QLabel>(&dialog, "picTransparencyColor")->palette().color(QPalette::Window),
        QColor(255, 0, 0));
    QCOMPARE(child<QSlider>(&dialog, "sldDeviation")->value(), 30);
    QCOMPARE(child<QSlider>(&dialog, "sldOpacity")->value(), 100);
}

void TestSettingsDialog::storedTypeDecidesTheFormatList()
{
    QVERIFY(WriteSetting(m_file, QStringLiteral("set"), QStringLiteral("outputtype"),
        QStringLiteral("TEXT"), nullptr));
    SettingsDialog dialog(m_file, m_dir->path());
    auto* formats = child<QComboBox>(&dialog, "cboOutputFormat");
    QCOMPARE(formats->count(), 2);
    QCOMPARE(formats->currentText(), QStringLiteral("TXT"));
    QCOMPARE(formats->itemText(1), QStringLiteral("MD"));

    // A format that is not in the type's list keeps the list's first entry.
    QVERIFY(WriteSetting(m_file, QStringLiteral("set"), QStringLiteral("outputtype"),
        QStringLiteral("PDF"), nullptr));
    QVERIFY(WriteSetting(m_file, QStringLiteral("set"), QStringLiteral("outputformat"),
        QStringLiteral("PNG"), nullptr));
    SettingsDialog second(m_file, m_dir->path());
    QCOMPARE(child<QComboBox>(&second, "cboOutputFormat")->currentText(), QStringLiteral("PDF"));
}

void TestSettingsDialog::changingTheTypeRefillsTheFormats()
{
    QVERIFY(WriteSetting(m_file, QStringLiteral("set"), QStringLiteral("outputformat"),
        QStringLiteral("GIF"), nullptr));
    SettingsDialog dialog(m_file, m_dir->path());
    auto* type = child<QComboBox>(&dialog, "cboOutputType");
    auto* formats = child<QComboBox>(&dialog, "cboOutputFormat");
    QCOMPARE(formats->currentText(), QStringLiteral("GIF"));
    type->setCurrentText(QStringLiteral("PDF"));
    QCOMPARE(formats->count(), 1);
    QCOMPARE(formats->currentText(), QStringLiteral("PDF"));
    type->setCurrentText(QStringLiteral("Image"));
    QCOMPARE(formats->count(), 7);
    QCOMPARE(formats->currentText(), QStringLiteral("BMP"));
    QCOMPARE(formats->itemText(4), QStringLiteral("TIFF"));
    QCOMPARE(formats->itemText(6), QStringLiteral("AVIF"));
}

void TestSettingsDialog::okWritesEveryKeyInOrder()
{
    SettingsDialog dialog(m_file, m_dir->path());
    QSignalSpy saved(&dialog, &SettingsDialog::outputFormatSaved);
    child<QComboBox>(&dialog, "cboOutputType")->setCurrentText(QStringLiteral("Image"));
    child<QComboBox>(&dialog, "cboOutputFormat")->setCurrentText(QStringLiteral("PNG"));
    child<QSlider>(&dialog, "sldQuality")->setValue(85);
    child<QLineEdit>(&dialog, "txtFileName")->setText(QStringLiteral("  shot  "));
    child<QComboBox>(&dialog, "cboImageSize")->setCurrentText(QStringLiteral("30"));
    child<QSpinBox>(&dialog, "txtTimeout")->setValue(20);
    child<QCheckBox>(&dialog, "chkTextWatermark")->setChecked(true);
    child<QLineEdit>(&dialog, "txtWaterText")->setText(QStringLiteral("Draft"));
    child<QComboBox>(&dialog, "cboTextPlace")->setCurrentIndex(4);
    child<QSlider>(&dialog, "sldDeviation")->setValue(0);
    dialog.show();
    click(&dialog, "cmdOK");

    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(saved.count(), 1);
    QCOMPARE(saved.at(0).at(0).toString(), QStringLiteral("PNG"));

    // A fresh file takes keys in the order they are written.
    const QStringList order = { "outputtype", "outputformat", "quality", "outputfolder", "filename",
        "datetime", "fileoption", "existedfile", "timeout", "delay", "Scripts", "JAVA", "ActiveX",
        "Thumbnail", "imagesize", "pagesatonce", "textwatermark", "watertext", "Twz", "Tx", "Ty",
        "Tsize", "TQuality", "Tfont", "TRotate", "Ttransparency", "imagewatermark", "waterimage",
        "Iwz", "Ix", "Iy", "IDeviation", "IOpacity" };
    QCOMPARE(
        keysOf(m_file, SettingsSection::Set) + keysOf(m_file, SettingsSection::Watermark), order);
    QCOMPARE(keysOf(m_file, SettingsSection::Set).constLast(), QStringLiteral("pagesatonce"));
    QCOMPARE(read("set", "pagesatonce"), QStringLiteral("1"));

    QCOMPARE(read("set", "outputformat"), QStringLiteral("PNG"));
    QCOMPARE(read("set", "quality"), QStringLiteral("85"));
    QCOMPARE(read("set", "filename"), QStringLiteral("shot"));
    QCOMPARE(read("set", "outputfolder"), m_dir->path());
    QCOMPARE(read("set", "fileoption"), QStringLiteral("0"));
    QCOMPARE(read("set", "datetime"), QStringLiteral("0"));
    QCOMPARE(read("set", "timeout"), QStringLiteral("20"));
    QCOMPARE(read("set", "delay"), QStringLiteral("60"));
    QCOMPARE(read("set", "imagesize"), QStringLiteral("30"));
    QCOMPARE(read("watermark", "textwatermark"), QStringLiteral("1"));
    QCOMPARE(read("watermark", "Twz"), QStringLiteral("4"));
    QCOMPARE(read("watermark", "IDeviation"), QStringLiteral("0"));
    QCOMPARE(read("watermark", "TRotate"), QString());
}

void TestSettingsDialog::okReadsBackWhatWasLoaded()
{
    for (const auto& [key, value] : { std::pair { "Tfont", "" }, { "twz", "2" }, { "Iwz", "1" },
             { "Ttransparency", "40" }, { "IOpacity", "70" }, { "watertext", "Copy" } })
        QVERIFY(WriteSetting(m_file, QStringLiteral("watermark"), QString::fromLatin1(key),
            QString::fromLatin1(value), nullptr));
    QVERIFY(WriteSetting(m_file, QStringLiteral("set"), QStringLiteral("outputfolder"),
        QStringLiteral("/data/out"), nullptr));
    {
        SettingsDialog dialog(m_file, m_dir->path());
        auto* font = child<QComboBox>(&dialog, "cboFont");
        QVERIFY(font->count() > 0);
        font->setCurrentIndex(0);
        dialog.show();
        click(&dialog, "cmdOK");
    }
    const QString font = read("watermark", "Tfont");
    QVERIFY(!font.isEmpty());
    SettingsDialog second(m_file, m_dir->path());
    QCOMPARE(child<QComboBox>(&second, "cboFont")->currentText(), font);
    QCOMPARE(child<QComboBox>(&second, "cboTextPlace")->currentIndex(), 2);
    QCOMPARE(child<QComboBox>(&second, "cboImagePlace")->currentIndex(), 1);
    QCOMPARE(child<QSlider>(&second, "sldTTransparency")->value(), 40);
    QCOMPARE(child<QSlider>(&second, "sldOpacity")->value(), 70);
    QCOMPARE(child<QLineEdit>(&second, "txtOutputFolder")->text(), QStringLiteral("/data/out"));
    QCOMPARE(read("watermark", "watertext"), QStringLiteral("Copy"));
}

void TestSettingsDialog::blankFileNameIsRefused()
{
    SettingsDialog dialog(m_file, m_dir->path());
    QSignalSpy saved(&dialog, &SettingsDialog::outputFormatSaved);
    child<QLineEdit>(&dialog, "txtFileName")->setText(QStringLiteral("   "));
    // Refused even when the name comes from the address.
    child<QRadioButton>(&dialog, "optSiteName")->setChecked(true);
    dialog.show();

    QString shownText;
    QString shownTitle;
    QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
    onNextInnerModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        shownText = box->text();
        shownTitle = box->windowTitle();
        shownIcon = box->icon();
        box->accept();
    });
    click(&dialog, "cmdOK");

    QCOMPARE(shownText, QStringLiteral("Please enter audio file name."));
    QCOMPARE(shownTitle, QStringLiteral("Pagelith"));
    QCOMPARE(shownIcon, QMessageBox::Critical);
    QVERIFY(dialog.isVisible());
    QCOMPARE(saved.count(), 0);
    QVERIFY(!QFile::exists(m_file));
}

void TestSettingsDialog::failedWritesAreReportedAndKeepTheDialogOpen()
{
    // A directory in the file's place cannot be replaced, even by root.
    QVERIFY(QDir().mkdir(m_file));
    SettingsDialog dialog(m_file, m_dir->path());
    QSignalSpy saved(&dialog, &SettingsDialog::outputFormatSaved);
    dialog.show();

    QString shownText;
    QString shownTitle;
    QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
    onNextInnerModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        shownText = box->text();
        shownTitle = box->windowTitle();
        shownIcon = box->icon();
        box->accept();
    });
    click(&dialog, "cmdOK");
    QVERIFY2(shownText.contains(m_file), qPrintable(shownText));
    QCOMPARE(shownTitle, QStringLiteral("Pagelith"));
    QCOMPARE(shownIcon, QMessageBox::Critical);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(saved.count(), 0);

    // The choices written the moment they are made say so too.
    RecordingPresenter messages;
    SettingsDialog watched(m_file, m_dir->path(), &messages);
    child<QCheckBox>(&watched, "chkTextWatermark")->setChecked(true);
    child<QLineEdit>(&watched, "txtWaterText")->setText(QStringLiteral("Draft"));
    watched.show();
    onNextInnerModal([](QWidget* modal) {
        auto* picker = qobject_cast<QColorDialog*>(modal);
        QVERIFY(picker);
        picker->setCurrentColor(QColor(0, 0, 255));
        picker->accept();
    });
    click(&watched, "cmdTextColor");
    QCOMPARE(messages.messages.size(), 1);
    QVERIFY(messages.messages.constFirst().critical);
    QVERIFY(messages.texts().constFirst().contains(m_file));

    // Once the file can be written again, the same "OK" stores everything.
    QVERIFY(QDir().rmdir(m_file));
    click(&watched, "cmdOK");
    QCOMPARE(messages.messages.size(), 1);
    QVERIFY(!watched.isVisible());
    QCOMPARE(read("watermark", "textwatermark"), QStringLiteral("1"));
    QCOMPARE(read("set", "filename"), QStringLiteral("webimage"));
}

void TestSettingsDialog::enableRulesFollowTheCheckBoxes()
{
    SettingsDialog dialog(m_file, m_dir->path());
    const char* textControls[] = { "txtWaterText", "cboTextPlace", "txtTx", "txtTy", "txtRotate",
        "cboFont", "txtTsize", "txtTQuality", "sldTTransparency", "picTextColor", "cmdTextColor" };
    const char* imageControls[] = { "txtWaterImage", "cmdBrowseImage", "cboImagePlace", "txtIx",
        "txtIy", "sldOpacity", "sldDeviation", "picTransparencyColor" };
    for (const char* name : textControls)
        QVERIFY2(!child<QWidget>(&dialog, name)->isEnabled(), name);
    for (const char* name : imageControls)
        QVERIFY2(!child<QWidget>(&dialog, name)->isEnabled(), name);
    QVERIFY(child<QWidget>(&dialog, "cmdTransparencyColor")->isEnabled());

    child<QCheckBox>(&dialog, "chkTextWatermark")->setChecked(true);
    for (const char* name : textControls)
        QVERIFY2(child<QWidget>(&dialog, name)->isEnabled(), name);
    for (const char* name : imageControls)
        QVERIFY2(!child<QWidget>(&dialog, name)->isEnabled(), name);

    child<QCheckBox>(&dialog, "chkImageWatermark")->setChecked(true);
    for (const char* name : imageControls)
        QVERIFY2(child<QWidget>(&dialog, name)->isEnabled(), name);

    // A file with the flags on opens with the groups usable.
    QVERIFY(WriteSetting(m_file, QStringLiteral("watermark"), QStringLiteral("imagewatermark"),
        QStringLiteral("1"), nullptr));
    SettingsDialog second(m_file, m_dir->path());
    QVERIFY(child<QWidget>(&second, "sldOpacity")->isEnabled());
    QVERIFY(!child<QWidget>(&second, "sldTTransparency")->isEnabled());
}

void TestSettingsDialog::colourIsWrittenAtOnceAndSurvivesCancel()
{
    {
        SettingsDialog dialog(m_file, m_dir->path());
        child<QCheckBox>(&dialog, "chkTextWatermark")->setChecked(true);
        dialog.show();
        QColor initial;
        onNextInnerModal([&](QWidget* modal) {
            auto* picker = qobject_cast<QColorDialog*>(modal);
            QVERIFY(picker);
            initial = picker->currentColor();
            picker->setCurrentColor(QColor(0, 0, 255));
            picker->accept();
        });
        click(&dialog, "cmdTextColor");
        QCOMPARE(initial, QColor(Qt::black));
        QCOMPARE(read("watermark", "textcolor"), QStringLiteral("16711680"));

        // The next pick starts from the colour last chosen in this window.
        onNextInnerModal([&](QWidget* modal) {
            auto* picker = qobject_cast<QColorDialog*>(modal);
            QVERIFY(picker);
            initial = picker->currentColor();
            picker->setCurrentColor(QColor(0, 128, 0));
            picker->accept();
        });
        QTest::mouseClick(child<QWidget>(&dialog, "picTextColor"), Qt::LeftButton);
        QCOMPARE(initial, QColor(0, 0, 255));
        QCOMPARE(read("watermark", "textcolor"), QString::number(128 << 8));
        click(&dialog, "cmdCancel");
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
    QCOMPARE(read("watermark", "textcolor"), QString::number(128 << 8));
    QCOMPARE(read("set", "filename"), QString());
    SettingsDialog again(m_file, m_dir->path());
    QCOMPARE(child<QLabel>(&again, "picTextColor")->palette().color(QPalette::Window),
        QColor(0, 128, 0));
}

void TestSettingsDialog::transparencyColourCanBePickedWhileImageIsOff()
{
    SettingsDialog dialog(m_file, m_dir->path());
    dialog.show();
    QVERIFY(!child<QCheckBox>(&dialog, "chkImageWatermark")->isChecked());
    onNextInnerModal([](QWidget* modal) {
        auto* picker = qobject_cast<QColorDialog*>(modal);
        QVERIFY(picker);
        picker->setCurrentColor(QColor(255, 255, 255));
        picker->accept();
    });
    click(&dialog, "cmdTransparencyColor");
    QCOMPARE(read("watermark", "Itransparency"), QStringLiteral("16777215"));
}

void TestSettingsDialog::cancelledColourDialogChangesNothing()
{
    QVERIFY(WriteSetting(m_file, QStringLiteral("watermark"), QStringLiteral("textcolor"),
        QStringLiteral("255"), nullptr));
    SettingsDialog dialog(m_file, m_dir->path());
    child<QCheckBox>(&dialog, "chkTextWatermark")->setChecked(true);
    dialog.show();
    onNextInnerModal([](QWidget* modal) {
        auto* picker = qobject_cast<QColorDialog*>(modal);
        QVERIFY(picker);
        picker->setCurrentColor(QColor(0, 255, 0));
        picker->reject();
    });
    click(&dialog, "cmdTextColor");
    QCOMPARE(read("watermark", "textcolor"), QStringLiteral("255"));
    QCOMPARE(child<QLabel>(&dialog, "picTextColor")->palette().color(QPalette::Window),
        QColor(255, 0, 0));
}

void TestSettingsDialog::browseImageWritesAtOnce()
{
    const QString stamp = m_dir->filePath(QStringLiteral("stamp.jpg"));
    QFile image(stamp);
    QVERIFY(image.open(QIODevice::WriteOnly));
    image.close();

    SettingsDialog dialog(m_file, m_dir->path());
    child<QCheckBox>(&dialog, "chkImageWatermark")->setChecked(true);
    dialog.show();
    QString filter;
    SetFileBrowserRunner([&](QFileDialog& files) {
        filter = files.nameFilters().join(QLatin1Char('|'));
        files.selectFile(stamp);
        return int(QDialog::Accepted);
    });
    click(&dialog, "cmdBrowseImage");
    QVERIFY(filter.contains(QLatin1String("*.jpg *.gif")));
    QCOMPARE(child<QLineEdit>(&dialog, "txtWaterImage")->text(), stamp);
    QCOMPARE(read("watermark", "waterimage"), stamp);
    QCOMPARE(read("set", "outputtype"), QString());
}

void TestSettingsDialog::browsersOpenWhereTheLastOneEnded()
{
    const QDir dir(m_dir->path());
    for (const char* folder : { "pictures", "other", "out" })
        QVERIFY(dir.mkpath(QString::fromLatin1(folder)));
    const QString stamp = dir.filePath(QStringLiteral("pictures/stamp.jpg"));
    QFile image(stamp);
    QVERIFY(image.open(QIODevice::WriteOnly));
    image.close();

    // One memory for the whole run, as the application keeps it; each opening
    // of the settings is a new dialog.
    RecentFolders folders;
    QStringList openedIn;
    auto answer = [&openedIn](const QString& choice) {
        SetFileBrowserRunner([&openedIn, choice](QFileDialog& files) {
            openedIn.append(files.directory().absolutePath());
            files.selectFile(choice);
            return int(QDialog::Accepted);
        });
    };
    {
        SettingsDialog dialog(m_file, m_dir->path());
        dialog.setRecentFolders(&folders);
        child<QCheckBox>(&dialog, "chkImageWatermark")->setChecked(true);
        dialog.show();
        answer(stamp);
        click(&dialog, "cmdBrowseImage");
        answer(dir.filePath(QStringLiteral("out")));
        click(&dialog, "cmdBrowseFolder");
        click(&dialog, "cmdCancel");
    }
    SettingsDialog dialog(m_file, m_dir->path());
    dialog.setRecentFolders(&folders);
    child<QCheckBox>(&dialog, "chkImageWatermark")->setChecked(true);
    child<QLineEdit>(&dialog, "txtWaterImage")
        ->setText(dir.filePath(QStringLiteral("other/x.jpg")));
    dialog.show();
    answer(stamp);
    click(&dialog, "cmdBrowseImage");
    answer(dir.filePath(QStringLiteral("out")));
    click(&dialog, "cmdBrowseFolder");
    // At first: the box's folder, the output folder's default. Then where each
    // kind of browser ended, whatever the boxes say.
    QCOMPARE(openedIn,
        (QStringList {
            QDir::homePath(), dir.absolutePath(), dir.filePath("pictures"), dir.filePath("out") }));
}

void TestSettingsDialog::browseFolderWritesOnlyOnOk()
{
    const QString folder = m_dir->filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(folder));
    SettingsDialog dialog(m_file, m_dir->path());
    dialog.show();
    QString title;
    SetFileBrowserRunner([&](QFileDialog& files) {
        title = files.windowTitle();
        files.selectFile(folder);
        return int(QDialog::Accepted);
    });
    click(&dialog, "cmdBrowseFolder");
    QCOMPARE(title, QStringLiteral("Pagelith"));
    QCOMPARE(child<QLineEdit>(&dialog, "txtOutputFolder")->text(), folder);
    QVERIFY(!QFile::exists(m_file));

    // Cancelling the browser keeps the box as it is.
    SetFileBrowserRunner([](QFileDialog&) { return int(QDialog::Rejected); });
    click(&dialog, "cmdBrowseFolder");
    QCOMPARE(child<QLineEdit>(&dialog, "txtOutputFolder")->text(), folder);

    click(&dialog, "cmdOK");
    QCOMPARE(read("set", "outputfolder"), folder);
}

void TestSettingsDialog::reloadRereadsTheFile()
{
    SettingsDialog dialog(m_file, m_dir->path());
    child<QLineEdit>(&dialog, "txtFileName")->setText(QStringLiteral("typed"));
    QVERIFY(WriteSetting(m_file, QStringLiteral("set"), QStringLiteral("filename"),
        QStringLiteral("stored"), nullptr));
    QVERIFY(WriteSetting(m_file, QStringLiteral("set"), QStringLiteral("outputtype"),
        QStringLiteral("PDF"), nullptr));
    click(&dialog, "cmdReload");
    QCOMPARE(child<QLineEdit>(&dialog, "txtFileName")->text(), QStringLiteral("stored"));
    QCOMPARE(child<QComboBox>(&dialog, "cboOutputFormat")->currentText(), QStringLiteral("PDF"));
}

void TestSettingsDialog::everySettingsEntryOpensTheDialog()
{
    ShellFixture fixture(/*trayAvailable=*/true);
    QVERIFY(fixture.shell->start());
    MainWindow* window = fixture.shell->mainWindow();
    int opened = 0;
    auto cancelNextDialog = [&opened] {
        onNextModal([&opened](QWidget* modal) {
            QCOMPARE(modal->objectName(), QStringLiteral("Form4"));
            ++opened;
            modal->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
        });
    };
    for (const char* name : { "mnuSettings", "popSettings" }) {
        auto* entry = window->findChild<QAction*>(QString::fromLatin1(name));
        QVERIFY2(entry && entry->isEnabled(), name);
        cancelNextDialog();
        entry->trigger();
    }
    cancelNextDialog();
    fixture.shell->tray()->settings->trigger();
    auto* toolbarButton = window->findChild<QWidget*>(QStringLiteral("Image6"));
    QVERIFY(toolbarButton && toolbarButton->isEnabled());
    cancelNextDialog();
    QTest::mouseClick(toolbarButton, Qt::LeftButton);
    QCOMPARE(opened, 4);
    QVERIFY(!QFile::exists(fixture.path(QStringLiteral("settings.dat"))));
}

void TestSettingsDialog::okRefreshesTheListsFormatColumn()
{
    ShellFixture fixture;
    QVERIFY(fixture.shell->start());
    UrlListWidget* list = fixture.shell->mainWindow()->urlList();
    list->appendRow(QStringLiteral("http://127.0.0.1/a"), QStringLiteral("BMP"));
    list->appendRow(QStringLiteral("http://127.0.0.1/b"), QStringLiteral("BMP"));
    onNextModal([](QWidget* modal) {
        modal->findChild<QComboBox*>(QStringLiteral("cboOutputType"))
            ->setCurrentText(QStringLiteral("PDF"));
        modal->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    fixture.shell->router()->settings();
    QCOMPARE(list->format(0), QStringLiteral("PDF"));
    QCOMPARE(list->format(1), QStringLiteral("PDF"));
    QCOMPARE(ReadSetting(fixture.path(QStringLiteral("settings.dat")), SettingsSection::Set,
                 QStringLiteral("outputtype")),
        QStringLiteral("PDF"));

    // The blank-name refusal goes through the application's message service.
    onNextModal([](QWidget* modal) {
        modal->findChild<QLineEdit*>(QStringLiteral("txtFileName"))->clear();
        modal->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        modal->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
    });
    fixture.shell->router()->settings();
    QCOMPARE(fixture.messages.texts(), QStringList { "Please enter audio file name." });
    QVERIFY(fixture.messages.messages.constFirst().critical);
}

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
