#include "settings/inifile.h"
#include "settings/settingsdialog.h"
#include "settings/settingskeys.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
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
    engine->setCurrentIndex(1);
    QVERIFY(scale->isEnabled());

    height->setValue(600);
    selector->setText(QStringLiteral(" #figure "));
    dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    QCOMPARE(ReadSetting(file, SettingsSection::Capture, QStringLiteral("engine")),
        QStringLiteral("chromium"));
    QCOMPARE(ReadSetting(file, SettingsSection::Capture, QStringLiteral("height")),
        QStringLiteral("600"));
    QCOMPARE(
        ReadSetting(file, SettingsSection::Capture, QStringLiteral("scale")), QStringLiteral("2"));
    QCOMPARE(ReadSetting(file, SettingsSection::Capture, QStringLiteral("selector")),
        QStringLiteral("#figure"));
}

QTEST_MAIN(TestCaptureSettingsPage)
#include "tst_capturesettingspage.moc"
