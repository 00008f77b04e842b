#include "core/imaging/pngbandwriter.h"

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>
#include <QtTest>
#include <vector>

namespace {

// Noise in the top half (every byte matters, the bands' dictionaries carry
// nothing useful) and flat colour with lines below (long matches that reach back
// across a band's edge into the previous band).
QImage mixedPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = y < height / 2 ? (random.generate() | 0xff000000u)
                                    : qRgb((x / 40) * 9 % 256, y % 7 == 0 ? 20 : 230, 128);
    }
    return image;
}

QByteArray encode(const QImage& picture, int threads)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    PngBandWriter writer(&buffer, picture.width(), picture.height(), 3780, 3780);
    writer.setThreads(threads);
    std::vector<uchar> row(size_t(picture.width()) * 3);
    for (int y = 0; y < picture.height(); ++y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            row[size_t(x) * 3] = uchar(qBlue(pixels[x]));
            row[size_t(x) * 3 + 1] = uchar(qGreen(pixels[x]));
            row[size_t(x) * 3 + 2] = uchar(qRed(pixels[x]));
        }
        if (!writer.addRow(row.data()))
            return {};
    }
    return writer.finish() ? buffer.data() : QByteArray();
}

class RefusingDevice : public QIODevice
{
protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 length) override
    {
        m_left -= length;
        return m_left < 0 ? -1 : length;
    }

private:
    qint64 m_left = 5000;
};

} // namespace

class TestPngBandWriter : public QObject
{
    Q_OBJECT
private slots:
    void bandsJoinIntoOnePictureWhateverTheThreads_data();
    void bandsJoinIntoOnePictureWhateverTheThreads();
    void aRefusedWriteFailsTheFile();
};

void TestPngBandWriter::bandsJoinIntoOnePictureWhateverTheThreads_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("one row") << 37 << 1;
    QTest::newRow("a band and a row") << 700 << 500;
    QTest::newRow("many bands") << 701 << 3001;
    QTest::newRow("rows wider than a band") << 32000 << 25;
}

void TestPngBandWriter::bandsJoinIntoOnePictureWhateverTheThreads()
{
    QFETCH(int, width);
    QFETCH(int, height);
    const QImage picture = mixedPicture(width, height);
    const QByteArray alone = encode(picture, 1);
    QVERIFY(!alone.isEmpty());
    // The bytes do not depend on how many bands went at once.
    QCOMPARE(encode(picture, 3), alone);

    QImage decoded;
    QVERIFY(decoded.loadFromData(alone, "png"));
    QCOMPARE(decoded.convertToFormat(QImage::Format_RGB32), picture);
    QCOMPARE(decoded.dotsPerMeterX(), 3780);
}

void TestPngBandWriter::aRefusedWriteFailsTheFile()
{
    RefusingDevice device;
    device.open(QIODevice::WriteOnly);
    const QImage picture = mixedPicture(400, 2000);
    PngBandWriter writer(&device, picture.width(), picture.height());
    std::vector<uchar> row(size_t(picture.width()) * 3, 200);
    bool accepted = true;
    for (int y = 0; y < picture.height() && accepted; ++y)
        accepted = writer.addRow(row.data());
    QVERIFY(!(accepted && writer.finish()));
    // Short of rows, the file is never ended as if whole.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    PngBandWriter shortOfRows(&buffer, 10, 10);
    QVERIFY(shortOfRows.addRow(row.data()));
    QVERIFY(!shortOfRows.finish());
}

QTEST_GUILESS_MAIN(TestPngBandWriter)
#include "tst_pngbandwriter.moc"
