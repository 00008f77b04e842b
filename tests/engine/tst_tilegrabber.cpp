#include "engine/capture/tilegrabber.h"
#include "fakecapturesteps.h"

#include <QSignalSpy>
#include <QTest>

class TestTileGrabber : public QObject
{
    Q_OBJECT

private slots:
    void staleFramesAreNeverCopied_data();
    void staleFramesAreNeverCopied();
    void aViewThatNeverCatchesUpFailsNamingThePart();
};

void TestTileGrabber::staleFramesAreNeverCopied_data()
{
    QTest::addColumn<int>("staleGrabs");
    QTest::newRow("every frame current") << 0;
    // The frame before the scroll, served again: the grab shows the previous tile.
    QTest::newRow("one stale frame a tile") << 1;
    QTest::newRow("four stale frames a tile") << 4;
}

void TestTileGrabber::staleFramesAreNeverCopied()
{
    QFETCH(int, staleGrabs);
    // The last tile is cut short by the page's end.
    const QSize size(200, 1150);
    const QImage page = FakeCaptureSteps::codedPage(size.width(), size.height());
    FakeCaptureSteps steps(page);
    steps.staleGrabs = staleGrabs;
    steps.tileHeight = 400;
    TileGrabber grabber(steps);
    QSignalSpy finished(&grabber, &TileGrabber::finished);
    QSignalSpy failed(&grabber, &TileGrabber::failed);
    grabber.start(size, steps.tileHeight);
    QTRY_COMPARE(finished.count() + failed.count(), 1);
    QVERIFY2(
        failed.isEmpty(), failed.isEmpty() ? "" : qPrintable(failed.first().first().toString()));
    const QImage image = finished.first().first().value<QImage>();
    QCOMPARE(image.size(), size);
    for (int y = 0; y < size.height(); ++y) {
        if (image.pixel(10, y) != page.pixel(10, y))
            QFAIL(qPrintable(QStringLiteral("row %1 shows another row").arg(y)));
    }
}

void TestTileGrabber::aViewThatNeverCatchesUpFailsNamingThePart()
{
    const QSize size(200, 1000);
    FakeCaptureSteps steps(FakeCaptureSteps::codedPage(size.width(), size.height()));
    steps.staleGrabs = 1000;
    steps.freshScrolls = 1;
    steps.tileHeight = 400;
    TileGrabber grabber(steps);
    QSignalSpy finished(&grabber, &TileGrabber::finished);
    QSignalSpy failed(&grabber, &TileGrabber::failed);
    grabber.start(size, steps.tileHeight);
    QTRY_COMPARE(finished.count() + failed.count(), 1);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.first().first().toString(),
        QStringLiteral("Could not get a current frame for part 2 of 3 of the page"));
}

QTEST_MAIN(TestTileGrabber)
#include "tst_tilegrabber.moc"
