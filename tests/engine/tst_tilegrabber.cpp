#include "capturegeometry.h"
#include "capturesteps.h"
#include "tilegrabber.h"

#include <QPainter>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

// A page of known rows behind the capture steps, as an engine shows it: scrolling
// and painting the frame marker change what the next grab shows, unless the view
// still serves an older frame (`staleGrabs` of them after every change).
class FakeSteps : public CaptureSteps
{
public:
    explicit FakeSteps(const QImage& page)
        : m_page(page)
    {
    }

    int staleGrabs = 0;
    // Scrolls whose frames are current at once, before the stale ones begin.
    int freshScrolls = 0;
    int tileHeight = 0;

    void runScript(const QString& script, std::function<void(const QVariant&)> then) override
    {
        QVariant result = true;
        static const QRegularExpression scroll(QStringLiteral("window\\.scrollTo\\(0, (\\d+)\\)"));
        static const QRegularExpression marker(QStringLiteral("'#([0-9a-f]{6})'"));
        const QRegularExpressionMatch scrolled = scroll.match(script);
        const QRegularExpressionMatch marked = marker.match(script);
        if (scrolled.hasMatch() && marked.hasMatch()) {
            // The page cannot scroll past its end.
            const int maxScroll = std::max(0, m_page.height() - tileHeight);
            m_scroll = std::min(scrolled.captured(1).toInt(), maxScroll);
            m_marker = QRgb(marked.captured(1).toUInt(nullptr, 16)) | 0xff000000;
            m_staleLeft = m_scrolls++ < freshScrolls ? 0 : staleGrabs;
            result = m_scroll;
        }
        QTimer::singleShot(0, [then, result] { then(result); });
    }

    void whenPainted(std::function<void()> then) override { QTimer::singleShot(0, then); }

    void grabView(std::function<void(const QImage&)> then) override
    {
        if (m_staleLeft > 0) {
            --m_staleLeft;
            const QImage old = m_lastFrame;
            QTimer::singleShot(0, [then, old] { then(old); });
            return;
        }
        QImage frame(m_page.width() + 1, tileHeight, QImage::Format_RGB32);
        frame.fill(Qt::white);
        QPainter painter(&frame);
        painter.drawImage(QPoint(0, 0), m_page, QRect(0, m_scroll, m_page.width(), tileHeight));
        painter.fillRect(m_page.width(), 0, 1, tileHeight, QColor(m_marker));
        painter.end();
        m_lastFrame = frame;
        QTimer::singleShot(0, [then, frame] { then(frame); });
    }

    void resizeView(const QSize&) override { }

private:
    QImage m_page;
    QImage m_lastFrame;
    int m_scroll = 0;
    int m_staleLeft = 0;
    int m_scrolls = 0;
    QRgb m_marker = 0;
};

// Every row of the page a colour of its own.
QImage rowCodedPage(int width, int height)
{
    QImage page(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const QRgb colour = qRgb(y & 0xff, (y >> 8) & 0xff, 128);
        auto* line = reinterpret_cast<QRgb*>(page.scanLine(y));
        std::fill(line, line + width, colour);
    }
    return page;
}

} // namespace

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
    const QImage page = rowCodedPage(size.width(), size.height());
    FakeSteps steps(page);
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
    FakeSteps steps(rowCodedPage(size.width(), size.height()));
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
