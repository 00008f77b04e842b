#include "core/imaging/imageencoder.h"
#include "core/imaging/imagesizelimits.h"
#include "core/settings/outputformats.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>
#include <avif/avif.h>

namespace {

// White, a blue bar, black text and a colour ramp: what a screenshot holds.
QImage pageLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(0, 0, width, 24, QColor(30, 60, 140));
    for (int y = 30; y + 14 < height; y += 18)
        painter.drawText(8, y + 12, QStringLiteral("The quick brown fox jumps over the lazy dog"));
    for (int x = 0; x < width; ++x)
        painter.fillRect(x, height - 16, 1, 16, QColor::fromHsv(x * 359 / width, 200, 220));
    return image;
}

// The mean difference of the two pictures' channels, 0 to 255.
double meanDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            sum += qAbs(qRed(p[col]) - qRed(q[col])) + qAbs(qGreen(p[col]) - qGreen(q[col]))
                + qAbs(qBlue(p[col]) - qBlue(q[col]));
    }
    return double(sum) / (3.0 * x.width() * x.height());
}

// An AVIF file read back by libavif: its picture, its YUV layout and depth.
struct AvifRead
{
    QImage image;
    avifPixelFormat yuvFormat = AVIF_PIXEL_FORMAT_NONE;
    uint32_t depth = 0;
};

AvifRead readAvif(const QString& path)
{
    AvifRead read;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return read;
    const QByteArray data = file.readAll();
    avifDecoder* decoder = avifDecoderCreate();
    avifImage* decoded = avifImageCreateEmpty();
    if (avifDecoderReadMemory(decoder, decoded, reinterpret_cast<const uint8_t*>(data.constData()),
            size_t(data.size()))
        == AVIF_RESULT_OK) {
        read.yuvFormat = decoded->yuvFormat;
        read.depth = decoded->depth;
        QImage image(int(decoded->width), int(decoded->height), QImage::Format_RGBA8888);
        avifRGBImage rgb;
        avifRGBImageSetDefaults(&rgb, decoded);
        rgb.format = AVIF_RGB_FORMAT_RGBA;
        rgb.depth = 8;
        rgb.pixels = image.bits();
        rgb.rowBytes = uint32_t(image.bytesPerLine());
        if (avifImageYUVToRGB(decoded, &rgb) == AVIF_RESULT_OK)
            read.image = image;
    }
    avifImageDestroy(decoded);
    avifDecoderDestroy(decoder);
    return read;
}

QSize readSize(const QString& path, const QString& extension)
{
    if (extension == QLatin1String("avif"))
        return readAvif(path).image.size();
    QImageReader reader(path);
    return reader.read().size();
}

} // namespace

class TestModernFormats : public QObject
{
    Q_OBJECT

private slots:
    void newFormatsComeAfterTheOldOnes();
    void webpIsLossyBelowHundredAndLosslessAtHundred();
    void avifIsFullColourAtTheQuality();
    void picturesAtTheSizeLimitsEdge_data();
    void picturesAtTheSizeLimitsEdge();

private:
    QTemporaryDir m_dir;
};

void TestModernFormats::newFormatsComeAfterTheOldOnes()
{
    // Stored settings and the format list keep their meaning: the new names only
    // follow the old ones.
    QCOMPARE(OutputFormatNames(),
        QStringList(
            { "BMP", "JPG", "GIF", "PNG", "TIFF", "PDF", "TXT", "WEBP", "AVIF", "MD", "MHTML" }));
    QCOMPARE(OutputFormatNames(OutputType::Image),
        QStringList({ "BMP", "JPG", "GIF", "PNG", "TIFF", "WEBP", "AVIF" }));
    QCOMPARE(FindOutputFormat(QStringLiteral("AVIF")), OutputFormat::Avif);
    QCOMPARE(FindOutputFormat(QStringLiteral("webp")), std::nullopt);
    // A page too tall for WebP fails when it is measured, naming what holds it.
    QCOMPARE(ImageSizeProblem(QSize(1280, 16384), OutputFormat::Webp),
        QStringLiteral("WEBP cannot hold an image taller than 16,383 px; choose PNG or TIFF"));
    QCOMPARE(ImageSizeProblem(QSize(1280, 32769), OutputFormat::Avif),
        QStringLiteral("AVIF cannot hold an image taller than 32,768 px; choose PNG or TIFF"));
}

void TestModernFormats::webpIsLossyBelowHundredAndLosslessAtHundred()
{
    const QImage page = pageLike(480, 360);
    QString error;
    const QString lossless = m_dir.filePath("page.webp");
    QVERIFY2(SaveImageFile(page, lossless, "webp", 100, 24, 6, &error), qPrintable(error));
    QImageReader reader(lossless);
    QCOMPARE(reader.format(), QByteArray("webp"));
    QCOMPARE(reader.read().convertToFormat(QImage::Format_RGB32), page);

    // Two files of one encoding, lossy: alike, close to the page, and smaller at a
    // lower quality.
    const QStringList lossy = { m_dir.filePath("q90.webp"), m_dir.filePath("q90-copy.webp") };
    QVERIFY2(SaveImageFiles(page, lossy, "webp", 90, 24, 6, &error), qPrintable(error));
    QFile first(lossy[0]), second(lossy[1]);
    QVERIFY(first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly));
    QCOMPARE(first.readAll(), second.readAll());
    const QImage back(lossy[0]);
    QCOMPARE(back.size(), page.size());
    QVERIFY(back.convertToFormat(QImage::Format_RGB32) != page);
    QVERIFY2(
        meanDifference(back, page) < 3.0, qPrintable(QString::number(meanDifference(back, page))));
    const QString low = m_dir.filePath("q10.webp");
    QVERIFY(SaveImageFile(page, low, "webp", 10, 24, 6, nullptr));
    QVERIFY(QFileInfo(low).size() < QFileInfo(lossy[0]).size());

    // A picture with transparency keeps it.
    QImage clear(64, 64, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    QPainter(&clear).fillRect(0, 0, 32, 64, Qt::red);
    const QString alpha = m_dir.filePath("alpha.webp");
    QVERIFY(SaveImageFile(clear, alpha, "webp", 100, 24, 6, nullptr));
    QCOMPARE(QImage(alpha).convertToFormat(QImage::Format_ARGB32), clear);
}

void TestModernFormats::avifIsFullColourAtTheQuality()
{
    const QImage page = pageLike(480, 360);
    QString error;
    const QString fine = m_dir.filePath("q90.avif");
    QVERIFY2(SaveImageFile(page, fine, "avif", 90, 24, 6, &error), qPrintable(error));
    const AvifRead read = readAvif(fine);
    QCOMPARE(read.yuvFormat, AVIF_PIXEL_FORMAT_YUV444);
    QCOMPARE(read.depth, 8u);
    QCOMPARE(read.image.size(), page.size());
    QVERIFY2(meanDifference(read.image, page) < 2.0,
        qPrintable(QString::number(meanDifference(read.image, page))));
    const QString coarse = m_dir.filePath("q20.avif");
    QVERIFY(SaveImageFile(page, coarse, "avif", 20, 24, 6, nullptr));
    QVERIFY(QFileInfo(coarse).size() < QFileInfo(fine).size());
    QVERIFY(meanDifference(readAvif(coarse).image, page) > meanDifference(read.image, page));
}

void TestModernFormats::picturesAtTheSizeLimitsEdge_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<int>("quality");
    QTest::addColumn<int>("maxSide");
    QTest::newRow("webp lossy") << QStringLiteral("webp") << 80 << 16383;
    QTest::newRow("webp lossless") << QStringLiteral("webp") << 100 << 16383;
    QTest::newRow("avif") << QStringLiteral("avif") << 60 << 32768;
}

void TestModernFormats::picturesAtTheSizeLimitsEdge()
{
    QFETCH(QString, extension);
    QFETCH(int, quality);
    QFETCH(int, maxSide);
    const QString path = m_dir.filePath(QStringLiteral("edge.") + extension);
    for (const QSize size : { QSize(maxSide, 2), QSize(2, maxSide) }) {
        QImage strip(size, QImage::Format_RGB32);
        strip.fill(Qt::darkCyan);
        QString error;
        QVERIFY2(SaveImageFile(strip, path, extension, quality, 24, 6, &error), qPrintable(error));
        QCOMPARE(readSize(path, extension), size);
        QFile::remove(path);
        // A pixel beyond: refused with the reason before the encoder starts.
        strip
            = QImage(size + (size.width() == 2 ? QSize(0, 1) : QSize(1, 0)), QImage::Format_RGB32);
        strip.fill(Qt::darkCyan);
        QVERIFY(!SaveImageFile(strip, path, extension, quality, 24, 6, &error));
        QVERIFY2(error.contains(FormatSizeProblem(strip.size(), extension)), qPrintable(error));
        QVERIFY(error.contains(QStringLiteral(" cannot hold an image ")));
        QVERIFY(!QFile::exists(path));
    }
}

QTEST_MAIN(TestModernFormats)
#include "tst_modernformats.moc"
