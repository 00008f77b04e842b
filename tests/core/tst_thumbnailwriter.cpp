#include "core/imaging/imageencoder.h"
#include "core/imaging/thumbnailwriter.h"

#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

class TestThumbnailWriter : public QObject
{
    Q_OBJECT

private slots:
    void scalesToThePercentage_data();
    void scalesToThePercentage();
    void replacesAnEarlierThumbnail();
    void missingBitmapWritesNothing();
    void thumbnailLargerThanAJpegHoldsSaysWhatToChange();

private:
    void writeImageSize(const QString& value);
    QString bitmap(int width, int height);

    QTemporaryDir m_dir;
};

void TestThumbnailWriter::writeImageSize(const QString& value)
{
    QFile file(m_dir.filePath("settings.dat"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[set]\r\nThumbnail=1\r\nimagesize=" + value.toUtf8() + "\r\n");
}

QString TestThumbnailWriter::bitmap(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(10, 120, 200));
    const QString path = m_dir.filePath("name.BMP");
    if (!SaveImageFile(image, path, "bmp", 0, 24, 6, nullptr))
        qFatal("cannot write the test bitmap");
    return path;
}

void TestThumbnailWriter::scalesToThePercentage_data()
{
    QTest::addColumn<QString>("imagesize");
    QTest::addColumn<QSize>("page");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("25 percent") << "25" << QSize(1013, 3013) << QSize(253, 753);
    QTest::newRow("halves go to even") << "50" << QSize(1013, 3015) << QSize(506, 1508);
    QTest::newRow("empty means 25") << "" << QSize(1013, 3013) << QSize(253, 753);
    QTest::newRow("0 means 25") << "0" << QSize(400, 200) << QSize(100, 50);
    QTest::newRow("negative means 25") << "-40" << QSize(400, 200) << QSize(100, 50);
    QTest::newRow("never larger than the page") << "250" << QSize(300, 100) << QSize(300, 100);
    QTest::newRow("at least one pixel") << "1" << QSize(20, 3000) << QSize(1, 30);
}

void TestThumbnailWriter::scalesToThePercentage()
{
    QFETCH(QString, imagesize);
    QFETCH(QSize, page);
    QFETCH(QSize, expected);
    writeImageSize(imagesize);
    const QString thumbnail = m_dir.filePath("name_Thumbnail.jpg");
    QString error;
    QVERIFY2(WriteThumbnail(m_dir.filePath("settings.dat"), bitmap(page.width(), page.height()),
                 thumbnail, &error),
        qPrintable(error));
    QImageReader reader(thumbnail);
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    const QImage image = reader.read();
    QCOMPARE(image.size(), expected);
    const QRgb centre = image.pixel(image.width() / 2, image.height() / 2);
    QVERIFY(qAbs(qBlue(centre) - 200) < 8 && qAbs(qRed(centre) - 10) < 8);
}

void TestThumbnailWriter::replacesAnEarlierThumbnail()
{
    writeImageSize("10");
    const QString thumbnail = m_dir.filePath("name_Thumbnail.jpg");
    QVERIFY(WriteThumbnail(m_dir.filePath("settings.dat"), bitmap(400, 400), thumbnail, nullptr));
    QVERIFY(WriteThumbnail(m_dir.filePath("settings.dat"), bitmap(200, 600), thumbnail, nullptr));
    QCOMPARE(QImage(thumbnail).size(), QSize(20, 60));
}

void TestThumbnailWriter::missingBitmapWritesNothing()
{
    writeImageSize("25");
    const QString thumbnail = m_dir.filePath("gone_Thumbnail.jpg");
    QString error;
    QVERIFY(!WriteThumbnail(
        m_dir.filePath("settings.dat"), m_dir.filePath("gone.BMP"), thumbnail, &error));
    QVERIFY(error.contains("gone.BMP"));
    QVERIFY(!QFile::exists(thumbnail));
}

void TestThumbnailWriter::thumbnailLargerThanAJpegHoldsSaysWhatToChange()
{
    // The page's own format may hold it; the thumbnail's size is what to change.
    writeImageSize("100");
    const QString page = bitmap(2, 65501);
    const QString thumbnail = m_dir.filePath("tall_Thumbnail.jpg");
    QString error;
    QVERIFY(!WriteThumbnail(m_dir.filePath("settings.dat"), page, thumbnail, &error));
    QCOMPARE(error,
        QStringLiteral("A thumbnail of 2 x 65501 px is larger than a JPG holds (65,500 px a side); "
                       "choose a smaller thumbnail size"));
    QVERIFY(!QFile::exists(thumbnail));
    writeImageSize("50");
    QVERIFY2(
        WriteThumbnail(m_dir.filePath("settings.dat"), page, thumbnail, &error), qPrintable(error));
}

QTEST_MAIN(TestThumbnailWriter)
#include "tst_thumbnailwriter.moc"
