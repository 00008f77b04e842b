#include "core/imaging/pngdecoder.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QtEndian>
#include <QtTest>

namespace {

quint32 crc32Of(const QByteArray& bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= uchar(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray chunk(const char* type, const QByteArray& body)
{
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(quint32(body.size()), out.data());
    const QByteArray typed = QByteArray(type, 4) + body;
    out += typed;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(crc32Of(typed), crc.data());
    return out + crc;
}

// `samples` (rows of `channels` bytes a pixel) as an 8-bit PNG whose every row
// carries `filter`, encoded as the PNG rules say; its header claims `extraRows`
// more rows than it holds.
QByteArray pngOf(
    const QList<QByteArray>& samples, int width, int channels, int filter, int extraRows = 0)
{
    QByteArray rows;
    QByteArray prior(width * channels, '\0');
    for (const QByteArray& row : samples) {
        rows += char(filter);
        for (int i = 0; i < row.size(); ++i) {
            const int left = i >= channels ? uchar(row[i - channels]) : 0;
            const int up = uchar(prior[i]);
            const int upLeft = i >= channels ? uchar(prior[i - channels]) : 0;
            int predicted = 0;
            if (filter == 1)
                predicted = left;
            else if (filter == 2)
                predicted = up;
            else if (filter == 3)
                predicted = (left + up) / 2;
            else if (filter == 4) {
                const int p = left + up - upLeft;
                const int a = qAbs(p - left), b = qAbs(p - up), c = qAbs(p - upLeft);
                predicted = a <= b && a <= c ? left : (b <= c ? up : upLeft);
            }
            rows += char(uchar(row[i]) - predicted);
        }
        prior = row;
    }
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(quint32(width), header.data());
    qToBigEndian<quint32>(quint32(samples.size() + extraRows), header.data() + 4);
    header[8] = 8;
    header[9] = char(channels == 3 ? 2 : 6);
    // Two IDAT chunks: the stream may be cut anywhere.
    const QByteArray stream = qCompress(rows, 1).mid(4);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header)
        + chunk("IDAT", stream.left(stream.size() / 2))
        + chunk("IDAT", stream.mid(stream.size() / 2)) + chunk("IEND", QByteArray());
}

QList<QByteArray> noise(int width, int height, int channels)
{
    QRandomGenerator random(width * 31 + channels);
    QList<QByteArray> rows;
    for (int y = 0; y < height; ++y) {
        QByteArray row(width * channels, '\0');
        for (int i = 0; i < row.size(); ++i)
            // Smooth runs and jumps, so that every predictor sees both.
            row[i] = char(i % 7 == 0 ? random.bounded(256) : (y * 3 + i) % 256);
        rows += row;
    }
    return rows;
}

} // namespace

class TestPngDecoder : public QObject
{
    Q_OBJECT

private slots:
    void readsAsQtReads_data();
    void readsAsQtReads();
    void damagedOrOtherPngsReadAsQtReads();
};

void TestPngDecoder::readsAsQtReads_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("filter");
    for (const int channels : { 3, 4 })
        for (int filter = 0; filter <= 4; ++filter)
            QTest::addRow("%s, filter %d", channels == 3 ? "RGB" : "RGBA", filter)
                << channels << filter;
}

void TestPngDecoder::readsAsQtReads()
{
    QFETCH(int, channels);
    QFETCH(int, filter);
    // An odd width: rows are not whole words.
    const QByteArray png = pngOf(noise(37, 23, channels), 37, channels, filter);
    const QImage expected = QImage::fromData(png, "PNG");
    QVERIFY(!expected.isNull());
    const QImage decoded = DecodePng(png);
    QCOMPARE(decoded.format(), expected.format());
    QCOMPARE(decoded, expected);
}

void TestPngDecoder::damagedOrOtherPngsReadAsQtReads()
{
    const QByteArray png = pngOf(noise(40, 30, 3), 40, 3, 2);
    QByteArray damaged = png;
    // A byte of the compressed pixels changed: the stream's checksum fails.
    damaged[png.indexOf("IDAT") + 20] = char(damaged[png.indexOf("IDAT") + 20] ^ 0x55);
    QImage palette(20, 10, QImage::Format_Indexed8);
    palette.setColorTable({ qRgb(255, 0, 0), qRgb(0, 0, 255) });
    palette.fill(1);
    QBuffer indexed;
    indexed.open(QIODevice::WriteOnly);
    QVERIFY(palette.save(&indexed, "PNG"));
    for (const QByteArray& input :
        { png.left(png.size() - 20), png.left(60), damaged, pngOf(noise(40, 30, 3), 40, 3, 2, 1),
            QByteArray("not a png"), QByteArray(), indexed.data() }) {
        const QImage expected = QImage::fromData(input, "PNG");
        const QImage decoded = DecodePng(input);
        QCOMPARE(decoded.isNull(), expected.isNull());
        QCOMPARE(decoded, expected);
    }
    QVERIFY(!DecodePng(indexed.data()).isNull());
}

QTEST_GUILESS_MAIN(TestPngDecoder)
#include "tst_pngdecoder.moc"
