#include "core/settings/inifile.h"
#include "core/settings/settingskeys.h"
#include "gui/settings/settingsdialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

// The settings dialog's third tab, "Page": the [capture] keys.
class TestCaptureSettingsPage : public QObject
{
    Q_OBJECT

private slots:
    void pageShowsAndWritesTheCaptureKeys();
    void requestBoxShowsAndWritesItsKeys();
};

void TestCaptureSettingsPage::pageShowsAndWritesTheCaptureKeys()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("settings.dat"));
    QVERIFY(WriteSetting(
        file, SettingsSection::Capture, QStringLiteral("engine"), QStringLiteral("qt"), nullptr));
    QVERIFY(WriteSetting(
        file, SettingsSection::Capture, QStringLiteral("width"), QStringLiteral("800"), nullptr));
    QVERIFY(WriteSetting(
        file, SettingsSection::Capture, QStringLiteral("scale"), QStringLiteral("2"), nullptr));
    QVERIFY(WriteSetting(file, SettingsSection::Capture, QStringLiteral("hide"),
        QStringLiteral(".ad, #promo"), nullptr));
    QVERIFY(WriteSetting(file, SettingsSection::Capture, QStringLiteral("viewport-only"),
        QStringLiteral("1"), nullptr));
    QVERIFY(WriteSetting(file, SettingsSection::Capture, QStringLiteral("selector"),
        QStringLiteral("main > .chart"), nullptr));
    SettingsDialog dialog(file, dir.path());
    auto* tabs = dialog.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
    QVERIFY(tabs);
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QStringLiteral("General Settings"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("WaterMark Options"));
    QCOMPARE(tabs->tabText(2), QStringLiteral("Page"));
    auto* engine = dialog.findChild<QComboBox*>(QStringLiteral("cboEngine"));
    auto* width = dialog.findChild<QSpinBox*>(QStringLiteral("spnWidth"));
    auto* height = dialog.findChild<QSpinBox*>(QStringLiteral("spnHeight"));
    auto* scale = dialog.findChild<QDoubleSpinBox*>(QStringLiteral("spnScale"));
    auto* firstScreen = dialog.findChild<QCheckBox*>(QStringLiteral("chkViewportOnly"));
    QVERIFY(engine && width && height && scale && firstScreen);
    QCOMPARE(engine->currentIndex(), 2);
    QCOMPARE(width->value(), 800);
    QCOMPARE(height->value(), 768);
    QCOMPARE(scale->value(), 2.0);
    QVERIFY(firstScreen->isChecked());
    auto* selector = dialog.findChild<QLineEdit*>(QStringLiteral("txtSelector"));
    QVERIFY(selector);
    QCOMPARE(selector->text(), QStringLiteral("main > .chart"));
    // Both engines capture one element.
    QVERIFY(selector->isEnabled());
    // The Qt engine cannot honour a scale: greyed, and the tooltip says why.
    QVERIFY(!scale->isEnabled());
    QVERIFY(scale->toolTip().contains(QStringLiteral("Qt WebEngine")));
    QVERIFY(!dialog.findChild<QComboBox*>(QStringLiteral("cboMedia"))->isEnabled());
    auto* headerFooter = dialog.findChild<QCheckBox*>(QStringLiteral("chkPdfHeaderFooter"));
    QVERIFY(headerFooter && !headerFooter->isEnabled());
    engine->setCurrentIndex(1);
    QVERIFY(scale->isEnabled());
    QVERIFY(headerFooter->isEnabled());
    // The PDF's page: A4 with 10 mm and backgrounds unless changed.
    auto* paper = dialog.findChild<QComboBox*>(QStringLiteral("cboPdfPaper"));
    auto* margin = dialog.findChild<QLineEdit*>(QStringLiteral("txtPdfMargin"));
    auto* background = dialog.findChild<QCheckBox*>(QStringLiteral("chkPdfBackground"));
    QVERIFY(paper && margin && background);
    QCOMPARE(paper->currentText(), QStringLiteral("A4"));
    QCOMPARE(margin->text(), QStringLiteral("10mm"));
    QVERIFY(background->isChecked());
    paper->setCurrentText(QStringLiteral("100x150mm"));
    margin->setText(QStringLiteral("0.5in"));
    background->setChecked(false);
    headerFooter->setChecked(true);

    height->setValue(600);
    selector->setText(QStringLiteral(" #figure "));
    dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    QCOMPARE(ReadSetting(file, SettingsSection::Capture, QStringLiteral("engine")),
        QStringLiteral("chromium"));
    QCOMPARE(ReadSetting(file, SettingsSection::Capture, QStringLiteral("height")),
        QStringLiteral("600"));
    QCOMPARE(
        ReadSetting(file, SettingsSection::Capture, QStringLiteral("scale")), QStringLiteral("2"));
    QCOMPARE(ReadSetting(file, SettingsSection::Capture, QStringLiteral("pdf-paper")),
        QStringLiteral("100x150mm"));
    QCOMPARE(ReadSetting(file, SettingsSection::Capture, QStringLiteral("pdf-margin")),
        QStringLiteral("0.5in"));
    QCOMPARE(ReadSetting(file, SettingsSection::Capture, QStringLiteral("pdf-background")),
        QStringLiteral("0"));
    QCOMPARE(ReadSetting(file, SettingsSection::Capture, QStringLiteral("pdf-header-footer")),
        QStringLiteral("1"));
    QCOMPARE(ReadSetting(file, SettingsSection::Capture, QStringLiteral("selector")),
        QStringLiteral("#figure"));
}

void TestCaptureSettingsPage::requestBoxShowsAndWritesItsKeys()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("settings.dat"));
    const auto write = [&](const char* key, const QString& value) {
        return WriteSetting(
            file, SettingsSection::Capture, QString::fromLatin1(key), value, nullptr);
    };
    QVERIFY(write("engine", QStringLiteral("qt")));
    QVERIFY(write("header", QStringLiteral("X-A: 1\tX-B: 2")));
    QVERIFY(write("auth", QStringLiteral("ann:secret")));
    QVERIFY(write("ignore-https-errors", QStringLiteral("1")));
    SettingsDialog dialog(file, dir.path());
    auto* headers = dialog.findChild<QPlainTextEdit*>(QStringLiteral("txtHeaders"));
    auto* auth = dialog.findChild<QLineEdit*>(QStringLiteral("txtAuth"));
    auto* style = dialog.findChild<QLineEdit*>(QStringLiteral("txtStyle"));
    auto* ignore = dialog.findChild<QCheckBox*>(QStringLiteral("chkIgnoreHttpsErrors"));
    QVERIFY(headers && auth && style && ignore);
    QCOMPARE(headers->toPlainText(), QStringLiteral("X-A: 1\nX-B: 2"));
    QVERIFY(ignore->isChecked());
    // The password is not shown, and the Qt engine greys every request option.
    QCOMPARE(auth->echoMode(), QLineEdit::PasswordEchoOnEdit);
    for (QWidget* control : { static_cast<QWidget*>(headers), static_cast<QWidget*>(auth),
             static_cast<QWidget*>(style), static_cast<QWidget*>(ignore) }) {
        QVERIFY(!control->isEnabled());
        QVERIFY(control->toolTip().contains(QStringLiteral("Qt WebEngine")));
    }
    dialog.findChild<QComboBox*>(QStringLiteral("cboEngine"))->setCurrentIndex(1);
    QVERIFY(headers->isEnabled() && style->isEnabled());

    // One header a line, stored separated by tabs; blank lines dropped.
    headers->setPlainText(QStringLiteral("X-C: 3\n\n  X-D: 4  \n"));
    style->setText(QStringLiteral(" /tmp/look.css "));
    dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    QCOMPARE(ReadSetting(file, SettingsSection::Capture, QStringLiteral("header")),
        QStringLiteral("X-C: 3\tX-D: 4"));
    QCOMPARE(ReadSetting(file, SettingsSection::Capture, QStringLiteral("style")),
        QStringLiteral("/tmp/look.css"));
    QCOMPARE(ReadSetting(file, SettingsSection::Capture, QStringLiteral("auth")),
        QStringLiteral("ann:secret"));
}

QTEST_MAIN(TestCaptureSettingsPage)
#include "tst_capturesettingspage.moc"
