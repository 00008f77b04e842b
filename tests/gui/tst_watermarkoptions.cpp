// The watermark page of the settings dialog against the conversion's watermark
// step: what the dialog stores by default must draw, and OK refuses a
// watermark that could not be drawn at all.

#include "core/imaging/watermark.h"
#include "core/settings/inifile.h"
#include "gui/settings/settingsdialog.h"
#include "recordingpresenter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

class TestWatermarkOptions : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void textSwitchedOnWithTheDefaultsIsDrawn();
    void okRefusesAWatermarkThatCannotWork_data();
    void okRefusesAWatermarkThatCannotWork();
    void emptyFieldsShowTheValueTheConversionUses();

private:
    template <typename T> T* child(QWidget* dialog, const char* name)
    {
        T* widget = dialog->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("missing control %s", name);
        return widget;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;
};

void TestWatermarkOptions::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_file = m_dir->filePath(QStringLiteral("settings.dat"));
}

void TestWatermarkOptions::textSwitchedOnWithTheDefaultsIsDrawn()
{
    // A first run: switch the text on, type it, OK, and nothing else.
    RecordingPresenter messages;
    SettingsDialog dialog(m_file, m_dir->path(), &messages);
    child<QCheckBox>(&dialog, "chkTextWatermark")->setChecked(true);
    child<QLineEdit>(&dialog, "txtWaterText")->setText(QStringLiteral("DRAFT"));
    dialog.show();
    child<QPushButton>(&dialog, "cmdOK")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(messages.messages.isEmpty());

    const QString page = m_dir->filePath(QStringLiteral("page.bmp"));
    QImage white(400, 200, QImage::Format_RGB32);
    white.fill(Qt::white);
    QVERIFY(white.save(page));
    const QString stamped = m_dir->filePath(QStringLiteral("stamped.bmp"));
    QString error;
    QVERIFY2(ApplyTextWatermark(m_file, page, stamped, &error), qPrintable(error));
    const QImage result(stamped);
    int darkPixels = 0;
    for (int y = 0; y < result.height(); ++y) {
        for (int x = 0; x < result.width(); ++x)
            darkPixels += qGray(result.pixel(x, y)) < 128 ? 1 : 0;
    }
    QVERIFY2(darkPixels > 20, "the text watermark left the page white");
}

void TestWatermarkOptions::okRefusesAWatermarkThatCannotWork_data()
{
    QTest::addColumn<bool>("text");
    QTest::addColumn<QString>("waterText");
    QTest::addColumn<QString>("imageName");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("message");
    // A number box of the watermark and what is typed into it.
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("boxText");
    QTest::newRow("text without text")
        << true << "   " << QString() << "txtWaterText"
        << "Please enter the watermark text" << QString() << QString();
    QTest::newRow("X that is no number")
        << true << "Stamp" << QString() << "txtTx"
        << "The watermark text's X must be a number, not \"abc-5\"."
        << "txtTx"
        << "abc-5";
    QTest::newRow("size that is no number")
        << true << "Stamp" << QString() << "txtTsize"
        << "The watermark text's Size must be a number, not \"xx999\"."
        << "txtTsize"
        << "xx999";
    QTest::newRow("picture's Y that is no number")
        << false << QString() << "logo.png"
        << "txtIy"
        << "The watermark image's Y must be a number, not \"1O0\"."
        << "txtIy"
        << "1O0";
    QTest::newRow("picture without a picture")
        << false << QString() << ""
        << "txtWaterImage"
        << "Please choose the watermark image" << QString() << QString();
    QTest::newRow("missing picture")
        << false << QString() << "gone.jpg"
        << "txtWaterImage"
        << "The watermark image does not exist" << QString() << QString();
    QTest::newRow("no picture at all")
        << false << QString() << "settings.dat"
        << "txtWaterImage"
        << "The watermark image is no picture" << QString() << QString();
}

void TestWatermarkOptions::okRefusesAWatermarkThatCannotWork()
{
    QFETCH(bool, text);
    QFETCH(QString, waterText);
    QFETCH(QString, imageName);
    QFETCH(QString, field);
    QFETCH(QString, message);
    QFETCH(QString, box);
    QFETCH(QString, boxText);
    if (imageName.endsWith(QLatin1String(".png"))) {
        QImage picture(4, 4, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(m_dir->filePath(imageName)));
    }
    QFile existing(m_file);
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("[set]\r\nfilename=keep\r\n");
    existing.close();

    RecordingPresenter messages;
    SettingsDialog dialog(m_file, m_dir->path(), &messages);
    child<QLineEdit>(&dialog, "txtFileName")->setText(QStringLiteral("changed"));
    if (text) {
        child<QCheckBox>(&dialog, "chkTextWatermark")->setChecked(true);
        child<QLineEdit>(&dialog, "txtWaterText")->setText(waterText);
    } else {
        child<QCheckBox>(&dialog, "chkImageWatermark")->setChecked(true);
        child<QLineEdit>(&dialog, "txtWaterImage")
            ->setText(imageName.isEmpty() ? QString() : m_dir->filePath(imageName));
    }
    if (!box.isEmpty())
        child<QLineEdit>(&dialog, qPrintable(box))->setText(boxText);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    child<QPushButton>(&dialog, "cmdOK")->click();

    QCOMPARE(messages.messages.size(), 1);
    QVERIFY(messages.messages.first().critical);
    QVERIFY2(messages.messages.first().text.startsWith(message),
        qPrintable(messages.messages.first().text));
    // Still open, on the page with the field to mend, and nothing stored.
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(child<QTabWidget>(&dialog, "SSTab1")->currentIndex(), 1);
    QTRY_COMPARE(QApplication::focusWidget(), child<QWidget>(&dialog, qPrintable(field)));
    QCOMPARE(ReadSetting(m_file, QStringLiteral("set"), QStringLiteral("filename")),
        QStringLiteral("keep"));

    // Switched off, the same values are no obstacle.
    child<QCheckBox>(&dialog, text ? "chkTextWatermark" : "chkImageWatermark")->setChecked(false);
    child<QPushButton>(&dialog, "cmdOK")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(ReadSetting(m_file, QStringLiteral("set"), QStringLiteral("filename")),
        QStringLiteral("changed"));
}

void TestWatermarkOptions::emptyFieldsShowTheValueTheConversionUses()
{
    // Nothing stored: the number boxes are empty and the conversion reads them as 0;
    // no font is chosen and it draws in the program's own.
    SettingsDialog dialog(m_file, m_dir->path());
    for (const char* name : { "txtTx", "txtTy", "txtRotate", "txtTQuality", "txtIx", "txtIy" }) {
        auto* box = child<QLineEdit>(&dialog, name);
        QVERIFY2(box->text().isEmpty(), name);
        QCOMPARE(box->placeholderText(), QStringLiteral("0"));
    }
    // The text itself, the picture and the size have no such value.
    for (const char* name : { "txtWaterText", "txtWaterImage", "txtTsize" })
        QVERIFY2(child<QLineEdit>(&dialog, name)->placeholderText().isEmpty(), name);
    auto* font = child<QComboBox>(&dialog, "cboFont");
    QCOMPARE(font->currentIndex(), -1);
    QCOMPARE(font->placeholderText(), QFontInfo(QFont()).family());
}

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    TestWatermarkOptions test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_watermarkoptions.moc"
