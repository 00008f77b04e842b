#include "core/imaging/imageencoder.h"
#include "core/imaging/imagingcomponent.h"

#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QImage filled(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Bounding box of the pixels that differ from the background colour.
QRect changedArea(const QImage& image, QRgb background)
{
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background)
                area |= QRect(x, y, 1, 1);
    return area;
}

QSet<QRgb> coloursIn(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return colours;
}

ImagingComponent pageOf(const QImage& image)
{
    ImagingComponent page;
    page.setImage(image);
    return page;
}

} // namespace

class TestImagingComponent : public QObject
{
    Q_OBJECT

private slots:
    void loadsEveryInputFormat_data();
    void loadsEveryInputFormat();
    void loadsAPageTallerThanQtsDefaultLimit();
    void reportsAMissingFile();
    void resampleIsSmooth();
    void textUsesColourReferenceAndCorner();
    void textTransparencyQualityAndRotation();
    void pictureKeyDeviationAndOpacity();
    void savesByExtension();

private:
    QTemporaryDir m_dir;
};

void TestImagingComponent::loadsEveryInputFormat_data()
{
    QTest::addColumn<QString>("extension");
    QTest::newRow("bmp") << "bmp";
    QTest::newRow("jpg") << "jpg";
    QTest::newRow("gif") << "gif";
    QTest::newRow("png") << "png";
}

void TestImagingComponent::loadsEveryInputFormat()
{
    QFETCH(QString, extension);
    const QString path = m_dir.filePath("in." + extension);
    QVERIFY(
        SaveImageFile(filled(123, 45, QColor(200, 40, 10)), path, extension, 90, 24, 6, nullptr));
    ImagingComponent picture;
    QString error;
    QVERIFY2(picture.loadFile(path, &error), qPrintable(error));
    QCOMPARE(picture.imageWidth(), 123);
    QCOMPARE(picture.imageHeight(), 45);
    QCOMPARE(picture.width(), 123);
    // Indexed GIFs become a paintable 32-bit picture.
    QVERIFY(picture.image().depth() == 32);
    QPainter painter(const_cast<QImage*>(&picture.image()));
    QVERIFY(painter.isActive());
}

void TestImagingComponent::loadsAPageTallerThanQtsDefaultLimit()
{
    // 1280 x 40000 at 32 bits is 205 MB, above Qt's default decoding limit.
    const QString path = m_dir.filePath("tall.bmp");
    QImage tall(1280, 40000, QImage::Format_RGB32);
    tall.fill(Qt::white);
    tall.setPixel(1279, 39999, qRgb(1, 2, 3));
    QVERIFY(SaveImageFile(tall, path, "bmp", 0, 24, 6, nullptr));
    tall = QImage();
    ImagingComponent page;
    QString error;
    QVERIFY2(page.loadFile(path, &error), qPrintable(error));
    QCOMPARE(page.height(), 40000);
    QCOMPARE(page.image().pixel(1279, 39999), qRgb(1, 2, 3));
    QFile::remove(path);
}

void TestImagingComponent::reportsAMissingFile()
{
    ImagingComponent picture;
    QString error;
    QVERIFY(!picture.loadFile(m_dir.filePath("missing.jpg"), &error));
    QVERIFY(error.contains("missing.jpg"));
    QVERIFY(picture.isNull());
    QVERIFY(!picture.resample(10, 10, &error));
    QVERIFY(!picture.drawText(0, 0, "x", StampCorner::TopLeft, &error));
}

void TestImagingComponent::resampleIsSmooth()
{
    // One-pixel black and white stripes shrink to grey, not to one of the two.
    QImage stripes(200, 100, QImage::Format_RGB32);
    for (int x = 0; x < 200; ++x)
        for (int y = 0; y < 100; ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    ImagingComponent picture = pageOf(stripes);
    QVERIFY(picture.setWidth(50));
    QVERIFY(picture.setHeight(25));
    QCOMPARE(picture.image().size(), QSize(50, 25));
    QCOMPARE(picture.imageWidth(), 200);
    const int grey = qGray(picture.image().pixel(25, 12));
    QVERIFY2(grey > 96 && grey < 160, qPrintable(QString::number(grey)));
    QVERIFY(!picture.resample(0, 5));
}

void TestImagingComponent::textUsesColourReferenceAndCorner()
{
    const QRgb white = qRgb(255, 255, 255);
    ImagingComponent page = pageOf(filled(400, 300, Qt::white));
    page.textStyle().color = 0x0000ff; // red in the low byte
    page.textStyle().fontSize = 20;
    page.textStyle().textQuality = 1;
    QVERIFY(page.drawText(50, 60, "WMW"));
    const QRect topLeft = changedArea(page.image(), white);
    QVERIFY(!topLeft.isEmpty());
    QVERIFY(topLeft.left() >= 50 && topLeft.left() <= 55);
    QVERIFY(topLeft.top() >= 60 && topLeft.top() <= 75);
    for (QRgb colour : coloursIn(page.image()))
        QVERIFY(colour == white || colour == qRgb(255, 0, 0));

    ImagingComponent corner = pageOf(filled(400, 300, Qt::white));
    corner.textStyle() = page.textStyle();
    QVERIFY(corner.drawText(390, 290, "WMW", StampCorner::BottomRight));
    const QRect bottomRight = changedArea(corner.image(), white);
    QVERIFY(bottomRight.right() <= 389 && bottomRight.right() >= 384);
    QVERIFY(bottomRight.bottom() <= 289 && bottomRight.bottom() >= 270);
    QCOMPARE(bottomRight.size(), topLeft.size());
}

void TestImagingComponent::textTransparencyQualityAndRotation()
{
    const QRgb white = qRgb(255, 255, 255);
    const auto drawn = [&](int quality, float transparency, int rotation) {
        ImagingComponent page = pageOf(filled(300, 300, Qt::white));
        page.textStyle().fontSize = 24;
        page.textStyle().textQuality = quality;
        page.textStyle().transparency = transparency;
        page.textStyle().rotation = rotation;
        page.drawText(20, 20, "Stamp");
        return page.image();
    };
    QCOMPARE(coloursIn(drawn(2, 0.0f, 0)).size(), 2); // aliased: black and white only
    QVERIFY(coloursIn(drawn(4, 0.0f, 0)).size() > 4); // anti-aliased edges
    QCOMPARE(coloursIn(drawn(1, 1.0f, 0)), QSet<QRgb> { white }); // invisible

    // Half transparent black on white gives mid grey, never black.
    const QSet<QRgb> half = coloursIn(drawn(1, 0.5f, 0));
    QCOMPARE(half.size(), 2);
    for (QRgb colour : half)
        QVERIFY(colour == white || qAbs(qGray(colour) - 128) <= 2);

    const QRect flat = changedArea(drawn(1, 0.0f, 0), white);
    const QRect upright = changedArea(drawn(1, 0.0f, 90), white);
    QVERIFY(flat.width() > flat.height());
    QVERIFY(upright.height() > upright.width());
    // Turned counter-clockwise and still inside the page from the anchor on.
    QVERIFY(upright.left() >= 20 && upright.top() >= 20);
}

void TestImagingComponent::pictureKeyDeviationAndOpacity()
{
    // A blue square on a near-black frame; the frame is the colour key.
    QImage logo = filled(40, 40, QColor(8, 4, 6));
    QPainter(&logo).fillRect(10, 10, 20, 20, QColor(0, 0, 255));
    ImagingComponent stamp = pageOf(logo);

    ImagingComponent page = pageOf(filled(200, 100, QColor(250, 250, 250)));
    QVERIFY(page.drawPicture(100, 50, stamp, 1.0, 0.0, 10.0));
    QCOMPARE(page.image().pixel(100, 50), qRgb(250, 250, 250)); // key: page shows
    QCOMPARE(page.image().pixel(115, 65), qRgb(0, 0, 255)); // logo drawn
    QCOMPARE(changedArea(page.image(), qRgb(250, 250, 250)), QRect(110, 60, 20, 20));

    // Deviation smaller than the frame's distance from black: frame drawn.
    ImagingComponent strict = pageOf(filled(200, 100, QColor(250, 250, 250)));
    QVERIFY(strict.drawPicture(100, 50, stamp, 1.0, 0.0, 7.0));
    QCOMPARE(strict.image().pixel(100, 50), qRgb(8, 4, 6));

    // Half opacity, anchored by the bottom right corner.
    ImagingComponent half = pageOf(filled(200, 100, QColor(250, 250, 250)));
    QVERIFY(half.drawPicture(200, 100, stamp, 0.5, 0.0, 10.0, StampCorner::BottomRight));
    const QRgb blended = half.image().pixel(175, 75);
    QVERIFY(qAbs(qRed(blended) - 125) <= 2 && qAbs(qBlue(blended) - 252) <= 3);
    QCOMPARE(changedArea(half.image(), qRgb(250, 250, 250)), QRect(170, 70, 20, 20));

    ImagingComponent empty;
    QVERIFY(!page.drawPicture(0, 0, empty, 1.0, 0.0, 0.0));
}

void TestImagingComponent::savesByExtension()
{
    ImagingComponent page = pageOf(filled(64, 32, Qt::darkGreen));
    QVERIFY(page.saveFile(m_dir.filePath("out.BMP")));
    QVERIFY(page.saveFile(m_dir.filePath("out.jpg")));
    QCOMPARE(QImageReader(m_dir.filePath("out.BMP")).format(), QByteArray("bmp"));
    QCOMPARE(QImageReader(m_dir.filePath("out.jpg")).format(), QByteArray("jpeg"));
    QString error;
    QVERIFY(!page.saveFile(m_dir.filePath("out.xyz"), &error));
    QVERIFY(error.startsWith("Error:Can't save Image File!!"));
}

QTEST_MAIN(TestImagingComponent)
#include "tst_imagingcomponent.moc"
