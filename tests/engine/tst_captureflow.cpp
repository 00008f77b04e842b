#include "engine/capture/captureflow.h"
#include "engine/capture/waitlimits.h"
#include "fakecapturesteps.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

// The capture's course over a page of known pixels (FakeCaptureSteps), where the
// engines' own tests cannot look at every row.
class TestCaptureFlow : public QObject
{
    Q_OBJECT

private slots:
    void elementIsCutOutOfThePage_data();
    void elementIsCutOutOfThePage();
    void elementThatCannotBeCapturedFailsThePage_data();
    void elementThatCannotBeCapturedFailsThePage();
    void oneClockBoundsTheWholePage();
};

namespace {

// A page of 600 x 2000 CSS pixels (with the strip, 613 x 2013) laid out in tiles
// of 300 rows, in a window 200 rows high.
constexpr int PageWidth = 613;
constexpr int PageHeight = 2013;

struct Outcome
{
    QImage image;
    QString reason;
};

Outcome captureElement(const QRectF& element, const QString& selector = QStringLiteral("#box"),
    bool invalid = false, bool firstScreen = false)
{
    const QImage page = FakeCaptureSteps::codedPage(PageWidth, PageHeight);
    FakeCaptureSteps steps(page);
    steps.maxTileHeight = 300;
    steps.element = element;
    steps.invalidSelector = invalid;
    CaptureFlow flow(steps);
    QSignalSpy captured(&flow, &CaptureFlow::captured);
    QSignalSpy failed(&flow, &CaptureFlow::failed);
    CaptureOptions options = CaptureFlow::noWait();
    options.selector = selector;
    options.viewportOnly = firstScreen;
    options.viewportWidth = PageWidth - CaptureStripPixels;
    options.viewportHeight = 200;
    flow.start(0, 200, options);
    Outcome outcome;
    if (!QTest::qWaitFor([&] { return captured.count() + failed.count() > 0; }, 20000))
        outcome.reason = QStringLiteral("no answer");
    else if (!captured.isEmpty())
        outcome.image = captured.first().first().value<QImage>();
    else
        outcome.reason = failed.first().first().toString();
    return outcome;
}

} // namespace

void TestCaptureFlow::elementIsCutOutOfThePage_data()
{
    QTest::addColumn<QRectF>("element");
    QTest::addColumn<bool>("firstScreen");
    QTest::addColumn<QRect>("pixels");
    // Across three tiles: every row comes from its own place in the page.
    QTest::newRow("taller than a tile")
        << QRectF(30, 250, 100, 750) << false << QRect(30, 250, 100, 750);
    // Fractional edges take the whole pixels they touch.
    QTest::newRow("fractional") << QRectF(10.5, 99.25, 20, 10.5) << false << QRect(10, 99, 21, 11);
    // What lies outside the page is not there to capture.
    QTest::newRow("beyond the right edge")
        << QRectF(500, 1900, 400, 300) << false << QRect(500, 1900, 113, 113);
    QTest::newRow("on the last row") << QRectF(0, 1999, 600, 1) << false << QRect(0, 1999, 600, 1);
    QTest::newRow("first screen") << QRectF(40, 150, 50, 100) << true << QRect(40, 150, 50, 50);
}

void TestCaptureFlow::elementIsCutOutOfThePage()
{
    QFETCH(QRectF, element);
    QFETCH(bool, firstScreen);
    QFETCH(QRect, pixels);
    const Outcome outcome = captureElement(element, QStringLiteral("#box"), false, firstScreen);
    QVERIFY2(outcome.reason.isEmpty(), qPrintable(outcome.reason));
    QCOMPARE(outcome.image.size(), pixels.size());
    const QImage expected = FakeCaptureSteps::codedPage(PageWidth, PageHeight)
                                .copy(pixels)
                                .convertToFormat(outcome.image.format());
    for (int y = 0; y < pixels.height(); ++y) {
        for (const int x : { 0, pixels.width() / 2, pixels.width() - 1 }) {
            if (outcome.image.pixel(x, y) != expected.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is another one").arg(x).arg(y)));
        }
    }
}

void TestCaptureFlow::elementThatCannotBeCapturedFailsThePage_data()
{
    QTest::addColumn<QRectF>("element");
    QTest::addColumn<bool>("invalid");
    QTest::addColumn<bool>("firstScreen");
    QTest::addColumn<QString>("reason");
    QTest::newRow("none") << QRectF() << false << false << "No element matching '#box' on the page";
    QTest::newRow("unreadable selector")
        << QRectF() << true << false << "'#box' is not a valid CSS selector";
    QTest::newRow("not shown") << QRectF(10, 10, 0, 20) << false << false
                               << "The element matching '#box' is not shown on the page";
    QTest::newRow("above the page")
        << QRectF(10, -50, 20, 30) << false << false
        << "The element matching '#box' is outside the captured part of the page";
    QTest::newRow("below the first screen")
        << QRectF(10, 500, 20, 30) << false << true
        << "The element matching '#box' is outside the captured part of the page";
}

void TestCaptureFlow::elementThatCannotBeCapturedFailsThePage()
{
    QFETCH(QRectF, element);
    QFETCH(bool, invalid);
    QFETCH(bool, firstScreen);
    QFETCH(QString, reason);
    QCOMPARE(captureElement(element, QStringLiteral("#box"), invalid, firstScreen).reason, reason);
}

// A page that keeps its renderer busy (every answer late) and never rests, given
// a minute to settle: its time-out of one second
// counts from its load and ends every wait; the page is captured as it stands
// with the reason, or, when it no longer answers, fails within the margin.
void TestCaptureFlow::oneClockBoundsTheWholePage()
{
    for (const bool answers : { true, false }) {
        FakeCaptureSteps steps(FakeCaptureSteps::codedPage(PageWidth, PageHeight));
        steps.maxTileHeight = 1000;
        steps.answerDelayMs = 40;
        steps.restless = true;
        steps.answersLeft = answers ? -1 : 15;
        CaptureFlow flow(steps);
        QSignalSpy captured(&flow, &CaptureFlow::captured);
        QSignalSpy failed(&flow, &CaptureFlow::failed);
        CaptureOptions options;
        options.settleSeconds = 60;
        options.viewportWidth = PageWidth - CaptureStripPixels;
        options.viewportHeight = 200;
        QElapsedTimer clock;
        clock.start();
        flow.boundPage(QDeadlineTimer(1000), 1);
        flow.start(60, 200, options);
        QVERIFY(QTest::qWaitFor([&] { return captured.count() + failed.count() > 0; }, 30000));
        const qint64 tookMs = clock.elapsed();
        if (answers) {
            QVERIFY2(failed.isEmpty(), qPrintable(failed.value(0).value(0).toString()));
            QCOMPARE(captured.first().first().value<QImage>().height(), PageHeight);
            QVERIFY2(flow.remark().contains(QLatin1String("time-out of 1 seconds")),
                qPrintable(flow.remark()));
            QVERIFY2(tookMs < 1000 + WaitMarginMs, qPrintable(QString::number(tookMs)));
        } else {
            QVERIFY(captured.isEmpty());
            QCOMPARE(failed.first().first().toString(),
                QStringLiteral("Timed out after 1 seconds while the page was captured"));
            QVERIFY2(tookMs >= 1000 + WaitMarginMs - 100 && tookMs < 1000 + 2 * WaitMarginMs,
                qPrintable(QString::number(tookMs)));
        }
    }
}

QTEST_MAIN(TestCaptureFlow)
#include "tst_captureflow.moc"
