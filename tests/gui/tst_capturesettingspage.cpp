#include "core/settings/inifile.h"
#include "core/settings/settingskeys.h"
#include "gui/settings/settingsdialog.h"
#include "recordingpresenter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

// The settings dialog's third tab, "Page": the [capture] keys.
class TestCaptureSettingsPage : public QObject
{
    Q_OBJECT

private slots:
    void pageShowsAndWritesTheCaptureKeys();
    void requestBoxShowsAndWritesItsKeys();
    void missingFilesAreRefusedAtOk();
    void wheelScrollsThePageUnlessAControlHasTheFocus();
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
    const QString css = dir.filePath(QStringLiteral("look.css"));
    QFile(css).open(QIODevice::WriteOnly);
    style->setText(QStringLiteral(" %1 ").arg(css));
    dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    QCOMPARE(ReadSetting(file, SettingsSection::Capture, QStringLiteral("header")),
        QStringLiteral("X-C: 3\tX-D: 4"));
    QCOMPARE(ReadSetting(file, SettingsSection::Capture, QStringLiteral("style")), css);
    QCOMPARE(ReadSetting(file, SettingsSection::Capture, QStringLiteral("auth")),
        QStringLiteral("ann:secret"));
}

void TestCaptureSettingsPage::missingFilesAreRefusedAtOk()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("settings.dat"));
    QVERIFY(WriteSetting(file, SettingsSection::Capture, QStringLiteral("engine"),
        QStringLiteral("chromium"), nullptr));
    RecordingPresenter messages;
    SettingsDialog dialog(file, dir.path(), &messages);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* cookies = dialog.findChild<QLineEdit*>(QStringLiteral("txtCookies"));
    const QString missing = dir.filePath(QStringLiteral("cookies.txt"));
    cookies->setText(missing);
    dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();

    // Every page would fail on it: said at OK, naming the field, which gets
    // the focus on its tab; nothing is stored.
    QCOMPARE(messages.texts(), QStringList({ "The cookies file does not exist:\n" + missing }));
    QVERIFY(messages.messages.first().critical);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.findChild<QTabWidget*>(QStringLiteral("SSTab1"))->currentIndex(), 2);
    QTRY_COMPARE(QApplication::focusWidget(), cookies);
    QCOMPARE(ReadSetting(file, SettingsSection::Capture, QStringLiteral("cookies")), QString());

    QFile(missing).open(QIODevice::WriteOnly);
    dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(ReadSetting(file, SettingsSection::Capture, QStringLiteral("cookies")), missing);
}

void TestCaptureSettingsPage::wheelScrollsThePageUnlessAControlHasTheFocus()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    SettingsDialog dialog(dir.filePath(QStringLiteral("settings.dat")), dir.path());
    dialog.resize(dialog.width(), 300);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* tabs = dialog.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
    tabs->setCurrentIndex(2);
    auto* area = qobject_cast<QScrollArea*>(tabs->currentWidget());
    QVERIFY(area);
    auto* scheme = dialog.findChild<QComboBox*>(QStringLiteral("cboColorScheme"));
    auto* wait = dialog.findChild<QSpinBox*>(QStringLiteral("spnWait"));
    QVERIFY(scheme && wait);
    const auto turnWheel = [](QWidget* control) {
        const QPointF at = QPointF(control->rect().center());
        QWheelEvent wheel(at, control->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&wheel);
        QApplication::sendEvent(control, &wheel);
    };

    // Under the pointer but not focused: the page scrolls, the values stay.
    for (QWidget* control : { static_cast<QWidget*>(scheme), static_cast<QWidget*>(wait) }) {
        area->ensureWidgetVisible(control);
        const int index = scheme->currentIndex();
        const int value = wait->value();
        const int scrolled = area->verticalScrollBar()->value();
        turnWheel(control);
        QCOMPARE(scheme->currentIndex(), index);
        QCOMPARE(wait->value(), value);
        QVERIFY(area->verticalScrollBar()->value() != scrolled
            || scrolled == area->verticalScrollBar()->maximum());
    }
    // Once the user has put the focus there, the wheel is the control's.
    scheme->setFocus();
    QTRY_VERIFY(scheme->hasFocus());
    const int index = scheme->currentIndex();
    turnWheel(scheme);
    QVERIFY(scheme->currentIndex() != index);
}

QTEST_MAIN(TestCaptureSettingsPage)
#include "tst_capturesettingspage.moc"
