#include "core/imaging/imageencoder.h"
#include "core/imaging/watermark.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QRgb White = qRgb(255, 255, 255);

QRect changedArea(const QImage& image, QRgb background)
{
    QRect area;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] | 0xff000000u) != background)
                area |= QRect(x, y, 1, 1);
    }
    return area;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QImage imageAt(const QString& path)
{
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestWatermark : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void emptyStampLeavesPageUntouched();
    void textCornersKeepTheStampOnThePage_data();
    void textCornersKeepTheStampOnThePage();
    void sameDistancesGiveSamePlaceForCodesZeroFourAndUnknown();
    void textStyleComesFromTheSettings();
    void pictureKeyShowsThePageThrough();
    void pictureOpacityIsAPercentage();
    void missingStampPictureLeavesPageUnchanged();
    void stampPictureThatIsNoFileNeverBlocks();
    void pictureLiesOverText();
    void unreadablePageIsReported();

private:
    void writeSettings(const QMap<QString, QString>& values);
    QString page(int width, int height, const QString& name = QStringLiteral("tempimage.bmp"));
    QString stamp();

    QTemporaryDir m_dir;
    QString m_settings;
};

void TestWatermark::init()
{
    m_settings = m_dir.filePath("settings.dat");
}

// The settings file as the settings dialog leaves it, with Windows line ends.
void TestWatermark::writeSettings(const QMap<QString, QString>& values)
{
    QByteArray text = "[set]\r\noutputformat=JPG\r\n[watermark]\r\n";
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        text += it.key().toUtf8() + '=' + it.value().toUtf8() + "\r\n";
    QFile file(m_settings);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

QString TestWatermark::page(int width, int height, const QString& name)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QString path = m_dir.filePath(name);
    if (!SaveImageFile(image, path, "bmp", 0, 24, 6, nullptr))
        qFatal("cannot write the test page");
    return path;
}

// A 40 x 40 logo: blue square in a near-black frame (the colour key).
QString TestWatermark::stamp()
{
    QImage logo(40, 40, QImage::Format_RGB32);
    logo.fill(QColor(6, 3, 9));
    QPainter(&logo).fillRect(10, 10, 20, 20, QColor(0, 0, 255));
    const QString path = m_dir.filePath("logo.png");
    if (!SaveImageFile(logo, path, "png", 0, 24, 6, nullptr))
        qFatal("cannot write the test logo");
    return path;
}

void TestWatermark::emptyStampLeavesPageUntouched()
{
    writeSettings({ { "textwatermark", "1" }, { "watertext", "" }, { "imagewatermark", "1" },
        { "waterimage", "  " }, { "Twz", "3" } });
    const QString path = page(120, 80);
    const QByteArray before = readAll(path);
    const QDateTime modified = QFileInfo(path).lastModified();
    QVERIFY(ApplyTextWatermark(m_settings, path, path));
    QVERIFY(ApplyPictureWatermark(m_settings, path, path));
    QCOMPARE(readAll(path), before);
    QCOMPARE(QFileInfo(path).lastModified(), modified);
}

void TestWatermark::textCornersKeepTheStampOnThePage_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("right");
    QTest::addColumn<bool>("bottom");
    QTest::newRow("0 top left") << "0" << false << false;
    QTest::newRow("1 top right") << "1" << true << false;
    QTest::newRow("2 bottom left") << "2" << false << true;
    QTest::newRow("3 bottom right") << "3" << true << true;
}

void TestWatermark::textCornersKeepTheStampOnThePage()
{
    QFETCH(QString, code);
    QFETCH(bool, right);
    QFETCH(bool, bottom);
    // A capture 1024 wide and 5000 high, distances 10 and 40.
    writeSettings({ { "watertext", "WMW" }, { "twz", code }, { "Tx", "10" }, { "Ty", "40" },
        { "Tsize", "20" }, { "TQuality", "1" } });
    const QString path = page(1024, 5000);
    QString error;
    QVERIFY2(ApplyTextWatermark(m_settings, path, path, &error), qPrintable(error));
    const QRect ink = changedArea(imageAt(path), White);
    QVERIFY(!ink.isEmpty());
    if (right)
        QVERIFY2(
            ink.right() < 1014 && ink.right() >= 1006, qPrintable(QString::number(ink.right())));
    else
        QVERIFY2(ink.left() >= 10 && ink.left() <= 14, qPrintable(QString::number(ink.left())));
    if (bottom)
        QVERIFY2(
            ink.bottom() < 4960 && ink.bottom() >= 4946, qPrintable(QString::number(ink.bottom())));
    else
        QVERIFY2(ink.top() >= 40 && ink.top() <= 54, qPrintable(QString::number(ink.top())));
}

void TestWatermark::sameDistancesGiveSamePlaceForCodesZeroFourAndUnknown()
{
    QList<QByteArray> results;
    for (const QString code : { "0", "4", "-1", "7", "" }) {
        writeSettings({ { "watertext", "Stamp" }, { "Twz", code }, { "Tx", "40" }, { "Ty", "60" },
            { "Tsize", "14" } });
        const QString source = page(300, 200, QStringLiteral("source.bmp"));
        const QString target = m_dir.filePath("stamped.bmp");
        QVERIFY(ApplyTextWatermark(m_settings, source, target));
        results << readAll(target);
        QCOMPARE(changedArea(imageAt(source), White), QRect()); // source kept
    }
    for (const QByteArray& result : results)
        QCOMPARE(result, results.first());
    QVERIFY(changedArea(imageAt(m_dir.filePath("stamped.bmp")), White).left() >= 40);
}

void TestWatermark::textStyleComesFromTheSettings()
{
    writeSettings({ { "watertext", "Red" }, { "Tsize", "18" }, { "TQuality", "2" },
        { "textcolor", "255" }, { "Ttransparency", "0" }, { "Tfont", "DejaVu Sans" } });
    const QString path = page(200, 100);
    QVERIFY(ApplyTextWatermark(m_settings, path, path));
    const QImage stamped = imageAt(path);
    QVERIFY(!changedArea(stamped, White).isEmpty());
    for (int y = 0; y < stamped.height(); ++y)
        for (int x = 0; x < stamped.width(); ++x)
            QVERIFY(stamped.pixel(x, y) == White || stamped.pixel(x, y) == qRgb(255, 0, 0));

    // A transparency of 100 is the fraction 1: nothing shows.
    writeSettings({ { "watertext", "Gone" }, { "Tsize", "18" }, { "Ttransparency", "100" } });
    const QString clear = page(200, 100, QStringLiteral("clear.bmp"));
    QVERIFY(ApplyTextWatermark(m_settings, clear, clear));
    QCOMPARE(changedArea(imageAt(clear), White), QRect());
}

void TestWatermark::pictureKeyShowsThePageThrough()
{
    writeSettings({ { "waterimage", stamp() }, { "iwz", "3" }, { "Ix", "10" }, { "Iy", "20" },
        { "Itransparency", "0" }, { "IDeviation", "10" }, { "IOpacity", "100" } });
    const QString path = page(300, 200);
    QString error;
    QVERIFY2(ApplyPictureWatermark(m_settings, path, path, &error), qPrintable(error));
    const QImage stamped = imageAt(path);
    // Logo's bottom right corner at (290, 180); only its blue square shows.
    QCOMPARE(changedArea(stamped, White), QRect(260, 150, 20, 20));
    QCOMPARE(stamped.pixel(270, 160), qRgb(0, 0, 255));
    QCOMPARE(stamped.pixel(252, 142), White);
}

void TestWatermark::pictureOpacityIsAPercentage()
{
    writeSettings({ { "waterimage", stamp() }, { "Iwz", "0" }, { "Ix", "5" }, { "Iy", "5" },
        { "IDeviation", "0" }, { "IOpacity", "50" } });
    const QString path = page(100, 100);
    QVERIFY(ApplyPictureWatermark(m_settings, path, path));
    const QImage stamped = imageAt(path);
    // Deviation 0 against black keeps the near-black frame, half blended.
    const QRgb frame = stamped.pixel(6, 6);
    QVERIFY(qAbs(qRed(frame) - 130) <= 3);
    const QRgb square = stamped.pixel(25, 25);
    QVERIFY(qAbs(qRed(square) - 127) <= 3 && qBlue(square) == 255);
}

void TestWatermark::missingStampPictureLeavesPageUnchanged()
{
    writeSettings({ { "waterimage", m_dir.filePath("deleted-logo.gif") }, { "IOpacity", "100" } });
    const QString path = page(80, 60);
    const QByteArray before = readAll(path);
    QString error;
    QString remark;
    QVERIFY2(ApplyPictureWatermark(m_settings, path, path, &error, &remark), qPrintable(error));
    QVERIFY(remark.contains("deleted-logo.gif"));
    QVERIFY(remark.contains("No such file"));
    QCOMPARE(readAll(path), before);

    // Written elsewhere, the page still arrives at the target, unstamped.
    const QString target = m_dir.filePath("copy.bmp");
    QVERIFY(ApplyPictureWatermark(m_settings, path, target, &error, &remark));
    QCOMPARE(changedArea(imageAt(target), White), QRect());
    QCOMPARE(imageAt(target).size(), QSize(80, 60));

    // A stamp that loads leaves no remark behind.
    writeSettings({ { "waterimage", stamp() }, { "IOpacity", "100" } });
    QVERIFY(ApplyPictureWatermark(m_settings, path, path, &error, &remark));
    QVERIFY(remark.isEmpty());
}

void TestWatermark::stampPictureThatIsNoFileNeverBlocks()
{
    // A FIFO opened for reading waits for a writer; the stamp is read on a
    // thread so that a hang shows as a failure, then is released by a writer.
    const QString fifo = m_dir.filePath("logo.gif");
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    const QString path = page(80, 60);
    const QByteArray before = readAll(path);
    for (const QString& stampPath : { fifo, m_dir.path(), QStringLiteral("/dev/zero") }) {
        writeSettings({ { "waterimage", stampPath }, { "IOpacity", "100" } });
        std::atomic<bool> done = false;
        bool applied = false;
        QString remark;
        std::unique_ptr<QThread> worker(QThread::create([&] {
            applied = ApplyPictureWatermark(m_settings, path, path, nullptr, &remark);
            done = true;
        }));
        worker->start();
        const bool inTime = QTest::qWaitFor([&] { return done.load(); }, 20000);
        if (!inTime) {
            const int writer = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0)
                ::close(writer);
        }
        QVERIFY(worker->wait(60000));
        QVERIFY2(inTime, qPrintable(stampPath));
        QVERIFY(applied);
        QVERIFY2(
            remark.contains("not a regular file") || remark.contains("folder"), qPrintable(remark));
        QCOMPARE(readAll(path), before);
    }
}

void TestWatermark::pictureLiesOverText()
{
    writeSettings({ { "watertext", "MMMMMMMM" }, { "Twz", "0" }, { "Tx", "0" }, { "Ty", "0" },
        { "Tsize", "40" }, { "TQuality", "1" }, { "waterimage", stamp() }, { "Iwz", "0" },
        { "Ix", "0" }, { "Iy", "0" }, { "IDeviation", "10" }, { "IOpacity", "100" } });
    const QString path = page(300, 100);
    QVERIFY(ApplyTextWatermark(m_settings, path, path));
    QVERIFY(ApplyPictureWatermark(m_settings, path, path));
    const QImage stamped = imageAt(path);
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 30; ++x)
            QCOMPARE(stamped.pixel(x, y), qRgb(0, 0, 255));
    QVERIFY(changedArea(stamped, White).width() > 40); // the text still shows beside the logo
}

void TestWatermark::unreadablePageIsReported()
{
    writeSettings({ { "watertext", "x" }, { "waterimage", stamp() } });
    QString error;
    const QString target = m_dir.filePath("never.bmp");
    QVERIFY(!ApplyTextWatermark(m_settings, m_dir.filePath("nopage.bmp"), target, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!ApplyPictureWatermark(m_settings, m_dir.filePath("nopage.bmp"), target, &error));
    QVERIFY(!QFile::exists(target));
}

QTEST_MAIN(TestWatermark)
#include "tst_watermark.moc"
