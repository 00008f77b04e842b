#include "core/imaging/bitmappng.h"
#include "core/imaging/imageencoder.h"
#include "core/imaging/imagesizelimits.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <csignal>
#include <functional>
#include <map>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

// A small page: white, some text, coloured blocks and a grey ramp.
QImage pageLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(0, 0, width, 30, QColor(30, 60, 140));
    for (int y = 40; y + 14 < height; y += 18)
        painter.drawText(10, y + 12, QStringLiteral("The quick brown fox jumps over the lazy dog"));
    for (int x = 0; x < width; ++x)
        painter.fillRect(x, height - 20, 1, 20, QColor(x % 256, x % 256, x % 256));
    return image;
}

// The tags of a TIFF file's first directory, each with its values.
std::map<int, std::vector<quint32>> tiffTags(const QByteArray& data)
{
    std::map<int, std::vector<quint32>> tags;
    if (data.size() < 8)
        return tags;
    const bool little = data.startsWith("II");
    auto u16 = [&](qsizetype at) {
        const auto* p = reinterpret_cast<const uchar*>(data.constData() + at);
        return little ? qFromLittleEndian<quint16>(p) : qFromBigEndian<quint16>(p);
    };
    auto u32 = [&](qsizetype at) {
        const auto* p = reinterpret_cast<const uchar*>(data.constData() + at);
        return little ? qFromLittleEndian<quint32>(p) : qFromBigEndian<quint32>(p);
    };
    const quint32 ifd = u32(4);
    const int count = u16(ifd);
    for (int i = 0; i < count; ++i) {
        const qsizetype entry = ifd + 2 + 12 * i;
        const int tag = u16(entry);
        const int type = u16(entry + 2);
        const quint32 n = u32(entry + 4);
        const int size = type == 3 ? 2 : 4;
        const qsizetype values = n * size > 4 ? qsizetype(u32(entry + 8)) : entry + 8;
        for (quint32 k = 0; k < n; ++k)
            tags[tag].push_back(size == 2 ? u16(values + k * 2) : u32(values + k * 4));
    }
    return tags;
}

// Runs save with every write past 64 KB failing as on a full disk.
bool UnderFileSizeLimit(const std::function<bool()>& save)
{
    rlimit original {};
    if (getrlimit(RLIMIT_FSIZE, &original) != 0)
        qFatal("getrlimit failed");
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = original;
    small.rlim_cur = 64 * 1024;
    if (setrlimit(RLIMIT_FSIZE, &small) != 0)
        qFatal("setrlimit failed");
    const bool saved = save();
    setrlimit(RLIMIT_FSIZE, &original);
    std::signal(SIGXFSZ, previousHandler);
    return saved;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestImageEncoder : public QObject
{
    Q_OBJECT

private slots:
    void jpegQualityChangesSizeAndZeroStillReads();
    void pngIsLossless();
    void tiffIsUncompressed24Bit_data();
    void tiffIsUncompressed24Bit();
    void gifPaletteIsChosenForTheImage();
    void bmpIsWindowsBitmap();
    void unknownExtensionWritesNothing_data();
    void unknownExtensionWritesNothing();
    void failuresAreReportedAndKeepTheOldFile();
    void savingReplacesAnExistingFile();
    void fullDiskIsReported_data();
    void fullDiskIsReported();
    void scratchFilesAreNewAndGoneOnFailure();
    void pngOfABitmapIsThePngOfItsPicture();
    void sizeLimitsHoldAtTheirEdges();
    void encodersGiveUpWhenStopped_data();
    void encodersGiveUpWhenStopped();

private:
    QTemporaryDir m_dir;
};

void TestImageEncoder::jpegQualityChangesSizeAndZeroStillReads()
{
    const QImage page = pageLike(400, 300);
    const QString low = m_dir.filePath("q0.jpg");
    const QString high = m_dir.filePath("q100.jpg");
    QString error;
    QVERIFY2(SaveImageFile(page, low, "jpg", 0, 24, 6, &error), qPrintable(error));
    QVERIFY2(SaveImageFile(page, high, "jpg", 100, 24, 6, &error), qPrintable(error));
    QImageReader reader(low);
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    const QImage back = reader.read();
    QCOMPARE(back.size(), page.size());
    QVERIFY(QFileInfo(low).size() * 3 < QFileInfo(high).size());
}

void TestImageEncoder::pngIsLossless()
{
    const QImage page = pageLike(320, 200);
    const QString path = m_dir.filePath("page.png");
    QVERIFY(SaveImageFile(page, path, "png", 0, 24, 6, nullptr));
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("png"));
    QCOMPARE(reader.read().convertToFormat(QImage::Format_RGB32), page);
}

void TestImageEncoder::tiffIsUncompressed24Bit_data()
{
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<int>("quality");
    QTest::newRow("opaque page") << QImage::Format_RGB32 << 80;
    QTest::newRow("page with alpha, other quality") << QImage::Format_ARGB32_Premultiplied << 5;
}

void TestImageEncoder::tiffIsUncompressed24Bit()
{
    QFETCH(QImage::Format, format);
    QFETCH(int, quality);
    const QImage page = pageLike(300, 120).convertToFormat(format);
    const QString path = m_dir.filePath("page.tiff");
    QString error;
    QVERIFY2(SaveImageFile(page, path, "tiff", quality, 24, 6, &error), qPrintable(error));
    const QByteArray data = readAll(path);
    auto tags = tiffTags(data);
    QCOMPARE(tags[256], std::vector<quint32> { 300 }); // width
    QCOMPARE(tags[257], std::vector<quint32> { 120 }); // height
    QCOMPARE(tags[259], std::vector<quint32> { 1 }); // compression: none
    QCOMPARE(tags[277], std::vector<quint32> { 3 }); // samples per pixel
    QCOMPARE(tags[258], (std::vector<quint32> { 8, 8, 8 })); // bits per sample
    // Uncompressed: at least the raw 3 bytes of every pixel are in the file.
    QVERIFY(data.size() >= 300 * 120 * 3);
    QCOMPARE(QImage(path).convertToFormat(QImage::Format_RGB32),
        page.convertToFormat(QImage::Format_RGB32));
}

void TestImageEncoder::gifPaletteIsChosenForTheImage()
{
    // 200 bands of unrelated colours plus text: a fixed colour cube would be
    // off by up to 25 levels a channel, a palette made for the image is exact.
    QImage image(400, 400, QImage::Format_RGB32);
    QList<QRgb> colours;
    for (int band = 0; band < 200; ++band) {
        const QRgb colour = qRgb((band * 37) % 256, (band * 91 + 13) % 256, (band * 53 + 7) % 256);
        colours << colour;
        for (int y = band * 2; y < band * 2 + 2; ++y)
            for (int x = 0; x < 300; ++x)
                image.setPixel(x, y, colour);
    }
    QPainter painter(&image);
    painter.fillRect(300, 0, 100, 400, Qt::white);
    painter.setPen(Qt::black);
    painter.drawText(305, 50, QStringLiteral("text"));
    painter.end();

    const QString path = m_dir.filePath("page.gif");
    QString error;
    QVERIFY2(SaveImageFile(image, path, "gif", 0, 24, 6, &error), qPrintable(error));
    const QByteArray data = readAll(path);
    QVERIFY(data.startsWith("GIF8"));
    // The logical screen descriptor announces a global colour table of 2^(n+1)
    // entries, right after it.
    const auto packed = uchar(data[10]);
    QVERIFY(packed & 0x80);
    const int tableSize = 1 << ((packed & 7) + 1);
    QCOMPARE(tableSize, 256);
    QSet<QRgb> palette;
    for (int i = 0; i < tableSize; ++i)
        palette.insert(
            qRgb(uchar(data[13 + 3 * i]), uchar(data[14 + 3 * i]), uchar(data[15 + 3 * i])));
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("gif"));
    const QImage back = reader.read().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(back.size(), image.size());
    for (int y = 0; y < back.height(); y += 3)
        for (int x = 0; x < back.width(); x += 3)
            QVERIFY(palette.contains(back.pixel(x, y)));
    for (int band = 0; band < 200; ++band) {
        const QRgb got = back.pixel(150, band * 2);
        const QRgb want = colours[band];
        const int worst = qMax(qAbs(qRed(got) - qRed(want)),
            qMax(qAbs(qGreen(got) - qGreen(want)), qAbs(qBlue(got) - qBlue(want))));
        QVERIFY2(worst <= 4, qPrintable(QStringLiteral("band %1 off by %2").arg(band).arg(worst)));
    }
    QCOMPARE(back.pixel(390, 390), qRgb(255, 255, 255));
}

void TestImageEncoder::bmpIsWindowsBitmap()
{
    const QImage page = pageLike(200, 100);
    const QString path = m_dir.filePath("page.bmp");
    QVERIFY(SaveImageFile(page, path, "bmp", 0, 24, 6, nullptr));
    const QByteArray data = readAll(path);
    QVERIFY(data.startsWith("BM"));
    QCOMPARE(qFromLittleEndian<quint16>(data.constData() + 28), quint16(24));
    QCOMPARE(QImage(path).convertToFormat(QImage::Format_RGB32), page);
}

void TestImageEncoder::unknownExtensionWritesNothing_data()
{
    QTest::addColumn<QString>("extension");
    QTest::newRow("upper case") << "JPG";
    QTest::newRow("unknown") << "heic";
    QTest::newRow("with dot") << ".png";
    QTest::newRow("empty") << "";
}

void TestImageEncoder::unknownExtensionWritesNothing()
{
    QFETCH(QString, extension);
    const QString path = m_dir.filePath("unknown.out");
    QString error;
    QVERIFY(!SaveImageFile(pageLike(50, 50), path, extension, 80, 24, 6, &error));
    QVERIFY(!QFile::exists(path));
    const QStringList lines = error.split('\n');
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QStringLiteral("Error:Can't save Image File!!"));
    QCOMPARE(lines[1], QString());
    QCOMPARE(lines[2], QStringLiteral("Error Number:  1"));
    QVERIFY(lines[3].startsWith(QStringLiteral("Error detail:  ")));
    QVERIFY(lines[3].contains(extension));
}

void TestImageEncoder::failuresAreReportedAndKeepTheOldFile()
{
    QString error;
    const QString missingFolder = m_dir.filePath("no/such/folder/page.jpg");
    QVERIFY(!SaveImageFile(pageLike(50, 50), missingFolder, "jpg", 80, 24, 6, &error));
    QVERIFY(error.startsWith(QStringLiteral("Error:Can't save Image File!!\n\nError Number:  ")));
    QVERIFY(!QFile::exists(missingFolder));

    QVERIFY(!SaveImageFile(QImage(), m_dir.filePath("null.png"), "png", 80, 24, 6, &error));
    QVERIFY(!QFile::exists(m_dir.filePath("null.png")));
    QVERIFY(!SaveImageFile(pageLike(20, 20), m_dir.filePath("c.tiff"), "tiff", 80, 24, 4, &error));
    QVERIFY(!QFile::exists(m_dir.filePath("c.tiff")));

    // A GIF cannot be 70000 pixels high: the encoder fails after the file was
    // opened, and the earlier file of that name must survive untouched.
    const QString gif = m_dir.filePath("tall.gif");
    QVERIFY(SaveImageFile(pageLike(40, 40), gif, "gif", 0, 24, 6, nullptr));
    const QByteArray before = readAll(gif);
    QImage tall(2, 70000, QImage::Format_RGB32);
    tall.fill(Qt::white);
    QVERIFY(!SaveImageFile(tall, gif, "gif", 0, 24, 6, &error));
    QVERIFY(error.contains(QStringLiteral("Error Number:  5")));
    QCOMPARE(readAll(gif), before);
    QCOMPARE(QDir(m_dir.path()).entryList({ "tall.gif*" }, QDir::Files | QDir::Hidden).size(), 1);
}

void TestImageEncoder::savingReplacesAnExistingFile()
{
    const QString path = m_dir.filePath("again.png");
    QVERIFY(SaveImageFile(pageLike(100, 100), path, "png", 0, 24, 6, nullptr));
    QVERIFY(SaveImageFile(pageLike(60, 30), path, "png", 0, 24, 6, nullptr));
    QCOMPARE(QImage(path).size(), QSize(60, 30));
}

void TestImageEncoder::fullDiskIsReported_data()
{
    QTest::addColumn<QString>("extension");
    for (const char* extension : { "bmp", "jpg", "png", "gif", "tiff" })
        QTest::newRow(extension) << extension;
}

// A file size limit makes every write past 64 KB fail as a full disk would.
void TestImageEncoder::fullDiskIsReported()
{
    QFETCH(QString, extension);
    const QString path = m_dir.filePath("full." + extension);
    QVERIFY(SaveImageFile(pageLike(20, 20), path, extension, 80, 24, 6, nullptr));
    const QByteArray before = readAll(path);

    QImage noise(600, 600, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(
                x, y, qRgb((x * 7919 + y * 104729) % 251, (x * y) % 253, (x + y * 31) % 255));

    QString error;
    const bool saved = UnderFileSizeLimit(
        [&] { return SaveImageFile(noise, path, extension, 100, 24, 6, &error); });

    QVERIFY(!saved);
    QVERIFY(error.startsWith(QStringLiteral("Error:Can't save Image File!!")));
    // The system's reason for the short write, which the file engine drops: a
    // size limit here ("File too large"), "The disk is full" on a full disk.
    QVERIFY2(error.contains(QStringLiteral("File too large")), qPrintable(error));
    QCOMPARE(readAll(path), before);
}

// A working file is written in place: whatever held its name must not be written
// through (a second link to a kept output, a symbolic link), and a failed write
// leaves nothing behind.
void TestImageEncoder::scratchFilesAreNewAndGoneOnFailure()
{
    const QString kept = m_dir.filePath("kept.bmp");
    const QString linked = m_dir.filePath("linked-scratch.bmp");
    const QString symbolic = m_dir.filePath("symbolic-scratch.bmp");
    QVERIFY(SaveImageFile(pageLike(40, 30), kept, "bmp", 100, 24, 6, nullptr));
    const QByteArray before = readAll(kept);
    QVERIFY(QFile::link(kept, symbolic));
    QCOMPARE(::link(QFile::encodeName(kept).constData(), QFile::encodeName(linked).constData()), 0);

    for (const QString& scratch : { linked, symbolic }) {
        QVERIFY(SaveImageFiles(
            pageLike(90, 70), { scratch }, "bmp", 100, 24, 6, nullptr, ImageFileCommit::Scratch));
        QCOMPARE(QImage(scratch).size(), QSize(90, 70));
        QCOMPARE(readAll(kept), before);
    }

    const bool saved = UnderFileSizeLimit([&] {
        return SaveImageFiles(
            pageLike(600, 600), { linked }, "bmp", 100, 24, 6, nullptr, ImageFileCommit::Scratch);
    });
    QVERIFY(!saved);
    QVERIFY(!QFile::exists(linked));
    QCOMPARE(readAll(kept), before);
}

// A page's PNG is made from its bitmap a band of rows at a time; it must be the
// very file the encoder makes of the picture: rows padded to four bytes, read
// bottom up across several bands, one pixel wide.
void TestImageEncoder::pngOfABitmapIsThePngOfItsPicture()
{
    const QString bitmap = m_dir.filePath("picture.bmp");
    const QString direct = m_dir.filePath("direct.png");
    const QString fromBitmap = m_dir.filePath("from-bitmap.png");
    for (const QSize size : { QSize(37, 53), QSize(1, 1), QSize(1000, 3000) }) {
        QImage picture = pageLike(size.width(), size.height());
        for (int y = 0; y < picture.height(); y += 7)
            picture.setPixel(y % picture.width(), y, qRgb(y % 251, (y * 7) % 253, 90));
        QVERIFY(SaveImageFile(picture, bitmap, "bmp", 100, 24, 6, nullptr));
        QVERIFY(SaveImageFile(picture, direct, "png", 0, 24, 6, nullptr));
        QString error;
        QCOMPARE(SaveBitmapAsPng(bitmap, fromBitmap, &error), BitmapPngResult::Written);
        QVERIFY2(readAll(fromBitmap) == readAll(direct),
            qPrintable(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height())));
    }
    // Anything else is left to the encoder, and nothing is written.
    QFile::remove(fromBitmap);
    QFile cut(bitmap);
    QVERIFY(cut.resize(cut.size() - 1));
    QCOMPARE(SaveBitmapAsPng(bitmap, fromBitmap, nullptr), BitmapPngResult::NotThisBitmap);
    QCOMPARE(SaveBitmapAsPng(direct, fromBitmap, nullptr), BitmapPngResult::NotThisBitmap);
    QVERIFY(!QFile::exists(fromBitmap));
}

void TestImageEncoder::sizeLimitsHoldAtTheirEdges()
{
    // Any capture: the width and the area.
    QCOMPARE(CaptureSizeProblem(QSize(32000, 7812)), QString());
    QCOMPARE(CaptureSizeProblem(QSize(10000, 25000)), QString());
    QCOMPARE(CaptureSizeProblem(QSize(32001, 100)),
        QStringLiteral("The page is too large to capture (32001 x 100 pixels)"));
    QCOMPARE(CaptureSizeProblem(QSize(10000, 25001)),
        QStringLiteral("The page is too large to capture (10000 x 25001 pixels)"));
    QVERIFY(!CaptureSizeProblem(QSize(0, 10)).isEmpty());
    QCOMPARE(ImageSizeProblem(QSize(10000, 25001), OutputFormat::Bmp),
        CaptureSizeProblem(QSize(10000, 25001)));
    // Each format's own limit, with the formats that do hold the picture.
    QCOMPARE(ImageSizeProblem(QSize(1024, 65501), OutputFormat::Jpg),
        QStringLiteral("JPG cannot hold an image taller than 65,500 px; choose PNG or TIFF"));
    QCOMPARE(FormatSizeProblem(QSize(65536, 1), OutputFormat::Gif),
        QStringLiteral("GIF cannot hold an image wider than 65,535 px; choose PNG or TIFF"));
    QCOMPARE(FormatSizeProblem(QSize(100, 1000001), OutputFormat::Png),
        QStringLiteral("PNG cannot hold an image taller than 1,000,000 px; choose TIFF or BMP"));
    QCOMPARE(FormatSizeProblem(QSize(100, 1000001), OutputFormat::Jpg),
        QStringLiteral("JPG cannot hold an image taller than 65,500 px; choose TIFF or BMP"));
    for (const OutputFormat format : { OutputFormat::Bmp, OutputFormat::Tiff, OutputFormat::Pdf })
        QCOMPARE(FormatSizeProblem(QSize(100, 2000000), format), QString());

    // The encoders write a picture at the edge and refuse one a pixel beyond it,
    // with the reason, before they start.
    struct Edge
    {
        const char* extension;
        int maxHeight;
    };
    for (const Edge edge :
        { Edge { "jpg", 65500 }, Edge { "gif", 65535 }, Edge { "png", 1000000 } }) {
        const QString extension = QString::fromLatin1(edge.extension);
        const QString path = m_dir.filePath(QStringLiteral("edge.") + extension);
        QImage column(1, edge.maxHeight, QImage::Format_RGB32);
        column.fill(Qt::darkCyan);
        QString error;
        QVERIFY2(SaveImageFile(column, path, extension, 80, 24, 6, &error), qPrintable(error));
        QImageReader reader(path);
        reader.setAllocationLimit(0);
        QCOMPARE(reader.size(), column.size());
        QFile::remove(path);
        column = QImage(1, edge.maxHeight + 1, QImage::Format_RGB32);
        column.fill(Qt::darkCyan);
        QVERIFY(!SaveImageFile(column, path, extension, 80, 24, 6, &error));
        QVERIFY2(error.contains(FormatSizeProblem(column.size(), extension)), qPrintable(error));
        QVERIFY(error.contains(QStringLiteral(" cannot hold an image taller than ")));
        QVERIFY(!QFile::exists(path));
        if (extension == QLatin1String("png")) {
            // The PNG made straight from a bitmap says the same, not that the
            // bitmap could not be read.
            const QString bitmap = m_dir.filePath(QStringLiteral("edge.bmp"));
            QVERIFY(SaveImageFile(column, bitmap, "bmp", 100, 24, 6, nullptr));
            QCOMPARE(SaveBitmapAsPng(bitmap, path, &error), BitmapPngResult::Failed);
            QVERIFY2(
                error.contains(FormatSizeProblem(column.size(), extension)), qPrintable(error));
            QVERIFY(!QFile::exists(path));
        }
    }
}

void TestImageEncoder::encodersGiveUpWhenStopped_data()
{
    QTest::addColumn<QString>("extension");
    for (const char* extension : { "jpg", "png", "gif", "tiff", "bmp", "webp", "avif" })
        QTest::newRow(extension) << QString::fromLatin1(extension);
}

void TestImageEncoder::encodersGiveUpWhenStopped()
{
    QFETCH(QString, extension);
    const QString path = m_dir.filePath(QStringLiteral("stopped.") + extension);
    QVERIFY(SaveImageFile(pageLike(300, 200), path, extension, 80, 24, 6, nullptr));
    const QByteArray before = readAll(path);
    const std::atomic<bool> stop { true };
    QString error;
    QVERIFY(!SaveImageFiles(pageLike(400, 300), { path }, extension, 80, 24, 6, &error,
        ImageFileCommit::Replace, &stop));
    QVERIFY2(error.contains(QStringLiteral("Error Number:  7")), qPrintable(error));
    QCOMPARE(readAll(path), before);
    QCOMPARE(
        QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).filter(".stopped"), QStringList());
    if (extension == QLatin1String("png")) {
        const QString bitmap = m_dir.filePath(QStringLiteral("stopped.bmp"));
        QVERIFY(SaveImageFile(pageLike(400, 300), bitmap, "bmp", 100, 24, 6, nullptr));
        QCOMPARE(SaveBitmapAsPng(bitmap, path, &error, &stop), BitmapPngResult::Failed);
        QCOMPARE(readAll(path), before);
    }
}

QTEST_MAIN(TestImageEncoder)
#include "tst_imageencoder.moc"
