#include "engine/capture/capturegeometry.h"

#include <QTest>
#include <limits>

class TestCaptureGeometry : public QObject
{
    Q_OBJECT
private slots:
    void pageSize_data();
    void pageSize();
    void tiles();
    void rowsOfATileInItsGrab();
    void tilesCopyEveryRowOnce_data();
    void tilesCopyEveryRowOnce();
    void frameMarker();
    void absurdPageSizesAreTooLargeNeverNegative();
};

namespace {

BodyMetrics metrics(bool quirks, double sw, double ow, double cw, double sh, double oh, double ch,
    double docW, double docH)
{
    BodyMetrics m;
    m.hasBody = true;
    m.quirksMode = quirks;
    m.scrollWidth = sw;
    m.offsetWidth = ow;
    m.clientWidth = cw;
    m.scrollHeight = sh;
    m.offsetHeight = oh;
    m.clientHeight = ch;
    m.documentWidth = docW;
    m.documentHeight = docH;
    return m;
}

} // namespace

void TestCaptureGeometry::pageSize_data()
{
    QTest::addColumn<BodyMetrics>("m");
    QTest::addColumn<QSize>("capture");
    // The body's metrics alone: the page plus the 13-pixel strip on each axis.
    QTest::newRow("plain body") << metrics(false, 1000, 1000, 1000, 3000, 3000, 3000, 1000, 3000)
                                << QSize(1013, 3013);
    // The body's own scroll bar is kept as blank space.
    QTest::newRow("body scroll bar")
        << metrics(false, 1000, 1017, 1000, 3000, 3000, 3000, 1000, 3000) << QSize(1030, 3013);
    // Standards mode: the root's scrolled size includes the body's margins.
    QTest::newRow("standards margins")
        << metrics(false, 1184, 1184, 1184, 10098, 10098, 10098, 1200, 10140) << QSize(1213, 10153);
    // Quirks mode: client height is the viewport, offset height the content; adding
    // their difference would nearly double the page (19483 for 10138).
    QTest::newRow("quirks") << metrics(true, 1200, 1200, 1024, 10138, 10138, 793, 1200, 10138)
                            << QSize(1213, 10151);
    BodyMetrics noBody;
    noBody.documentWidth = 640;
    noBody.documentHeight = 480;
    QTest::newRow("no body (an image)") << noBody << QSize(653, 493);
    // A zoomed page measures in fractions of a pixel: the surface holds the whole
    // pixels of page and strip (1013.73 and 3012.83), not the nearest ones.
    QTest::newRow("fractional page") << metrics(false, 1000.4, 1000.4, 1000.4, 2999.5, 2999.5,
        2999.5, 1000, 2999) << QSize(1013, 3012);
}

void TestCaptureGeometry::pageSize()
{
    QFETCH(BodyMetrics, m);
    QFETCH(QSize, capture);
    QCOMPARE(CaptureSizeForPage(PageSizeFromMetrics(m)), capture);
}

void TestCaptureGeometry::tiles()
{
    QCOMPARE(TileTops(40013, 4000).size(), 11);
    QCOMPARE(TileTops(40013, 4000).last(), 40000);
    QCOMPARE(TileTops(3013, 3013), QList<int> { 0 });
    QVERIFY(TileTops(0, 4000).isEmpty());
    // Wide pages get shorter tiles, never below 1000 px.
    QCOMPARE(TileHeightForWidth(1213), 4000);
    QCOMPARE(TileHeightForWidth(8000), 2000);
    QCOMPARE(TileHeightForWidth(30000), 1000);
}

void TestCaptureGeometry::rowsOfATileInItsGrab()
{
    // Scrolled where asked: the whole grab is the tile.
    QCOMPARE(TileRowsInGrab(8000, 8000, 4000, 40013).grabTop, 0);
    QCOMPARE(TileRowsInGrab(8000, 8000, 4000, 40013).rows, 4000);
    // The last tile: the page stopped 13 px short of the top asked for, so the
    // tile starts 13 rows down the grab and only what the grab holds is taken.
    QCOMPARE(TileRowsInGrab(36000, 35987, 4000, 40013).grabTop, 13);
    QCOMPARE(TileRowsInGrab(36000, 35987, 4000, 40013).rows, 3987);
    // A short last tile ends with the capture.
    QCOMPARE(TileRowsInGrab(40000, 36000, 4000, 40013).grabTop, 4000);
    QCOMPARE(TileRowsInGrab(40000, 36000, 4000, 40013).rows, 0);
    QCOMPARE(TileRowsInGrab(4000, 1000, 4000, 5013).rows, 1000);
    // Scrolled past the tile: nothing of it is in the grab.
    QCOMPARE(TileRowsInGrab(4000, 4500, 4000, 9013).rows, 0);
}

void TestCaptureGeometry::tilesCopyEveryRowOnce_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("tileHeight");
    // The page scrolls no further than this; rows below what it can show stay blank.
    QTest::addColumn<int>("maxScroll");
    QTest::newRow("one tile") << 3013 << 3013 << 0;
    QTest::newRow("tiles fill it exactly") << 8000 << 4000 << 4000;
    QTest::newRow("short last tile") << 9013 << 4000 << 5013;
    QTest::newRow("one row in the last tile") << 8001 << 4000 << 4001;
    QTest::newRow("page ends above the strip") << 40013 << 4000 << 36000;
    QTest::newRow("short tiles of a wide page") << 5013 << 2000 << 3013;
}

void TestCaptureGeometry::tilesCopyEveryRowOnce()
{
    QFETCH(int, height);
    QFETCH(int, tileHeight);
    QFETCH(int, maxScroll);
    const QSize capture(1213, height);
    // For each row of the capture, the row of the page copied there.
    QList<int> pageRow(height, -1);
    for (const int top : TileTops(height, tileHeight)) {
        const int scrollY = std::min(top, maxScroll);
        const TileCopy copy = TileCopyFromGrab(top, scrollY, tileHeight, capture);
        if (copy.source.isEmpty())
            continue;
        QCOMPARE(copy.source.left(), 0);
        QCOMPARE(copy.source.width(), capture.width());
        QVERIFY(copy.source.top() >= 0 && copy.source.bottom() < tileHeight);
        for (int row = copy.source.top(); row <= copy.source.bottom(); ++row) {
            const int y = copy.target.y() + row - copy.source.top();
            QVERIFY(y >= 0 && y < height);
            QCOMPARE(pageRow[y], -1);
            pageRow[y] = scrollY + row;
        }
    }
    const int shown = std::min(height, maxScroll + tileHeight);
    for (int y = 0; y < height; ++y)
        QCOMPARE(pageRow[y], y < shown ? y : -1);
}

void TestCaptureGeometry::frameMarker()
{
    // Neighbouring requests are told apart.
    QVERIFY(FrameMarkerColor(1) != FrameMarkerColor(2));
    QVERIFY(FrameMarkerColor(31) != FrameMarkerColor(32));
    QImage grab(101, 400, QImage::Format_RGB32);
    grab.fill(Qt::white);
    for (int y = 0; y < grab.height(); ++y)
        grab.setPixel(100, y, FrameMarkerColor(7));
    QVERIFY(GrabCarriesMarker(grab, 100, FrameMarkerColor(7)));
    QVERIFY(!GrabCarriesMarker(grab, 100, FrameMarkerColor(6)));
    QVERIFY(!GrabCarriesMarker(grab, 99, FrameMarkerColor(7)));
    // A frame drawn smaller leaves the bottom without the marker.
    grab.setPixel(100, 399, qRgb(255, 255, 255));
    QVERIFY(!GrabCarriesMarker(grab, 100, FrameMarkerColor(7)));
}

void TestCaptureGeometry::absurdPageSizesAreTooLargeNeverNegative()
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const QSizeF& page :
        { QSizeF(1000, 3e9), QSizeF(3e9, 1000), QSizeF(1000, inf), QSizeF(1000, 1e300) }) {
        const QSize size = CaptureSizeForPage(page);
        QVERIFY(size.width() > 0 && size.height() > 0);
        QVERIFY(!CaptureFits(size));
    }
    // Nothing measured is nothing to capture, not a huge page.
    QCOMPARE(CaptureSizeForPage(QSizeF(nan, -5)), QSize(13, 13));
    // The pixel limit, at its edge.
    QVERIFY(CaptureFits(QSize(10000, 25000)));
    QVERIFY(!CaptureFits(QSize(10000, 25001)));
}

QTEST_APPLESS_MAIN(TestCaptureGeometry)
#include "tst_capturegeometry.moc"
