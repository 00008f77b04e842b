#include "engine/capture/captureoptions.h"
#include "engine/chromium/chromiumbrowser.h"
#include "engine/chromium/chromiumcapturer.h"
#include "engine/chromium/chromiumpage.h"
#include "engine/setup/enginesetup.h"
#include "testhttpserver.h"

#include <QBuffer>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

// Targets on a real Chromium. A frame from another site runs in a target of its
// own: it must get the page's request options and count in its network wait as a
// frame of the same site does (two host names of one loopback server make the two
// sites). Pages closed mid-command leave no callback behind.
class TestCdpFrames : public QObject
{
    Q_OBJECT
public:
    static void initMain() { PrepareEngineEnvironment(); }

private slots:
    void crossSiteFrameGetsThePageSettings();
    void closedPagesLeaveNoCallbacks();
};

void TestCdpFrames::crossSiteFrameGetsThePageSettings()
{
    const QString chromium = ChromiumBrowser::find();
    if (chromium.isEmpty())
        QSKIP("No Chromium is installed");
    TestHttpServer server;
    QVERIFY(server.start());
    const QByteArray frameSite = "http://localhost:" + QByteArray::number(server.port());
    server.route(QStringLiteral("/page"),
        TestHttpServer::page("<html><body style='margin:0'><iframe src='" + frameSite
            + "/frame' style='border:0;width:400px;height:300px'></iframe></body></html>"));
    // The frame's picture comes late: asked for by a script once the frame loaded.
    server.route(QStringLiteral("/frame"),
        TestHttpServer::page("<html><body style='margin:0'><script>"
                             "addEventListener('load', function () { setTimeout(function () {"
                             " var i = new Image(); i.src = '/late.png';"
                             " document.body.appendChild(i); }, 0); });</script></body></html>"));
    QImage blue(300, 200, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && blue.save(&buffer, "PNG"));
    TestHttpServer::Response picture = TestHttpServer::status(200, png);
    picture.contentType = "image/png";
    picture.delayMs = 1500;
    server.route(QStringLiteral("/late.png"), picture);

    ChromiumBrowser browser(chromium);
    ChromiumCapturer capturer(&browser);
    CaptureOptions options;
    options.headers = { { QStringLiteral("X-Pagelith"), QStringLiteral("frame") } };
    // Headers go to the page's own site unless asked for everywhere: the frame is
    // another site's.
    options.headersEverywhere = true;
    options.userAgent = QStringLiteral("PagelithTest/1");
    capturer.setOptions(options);
    QSignalSpy captured(&capturer, &CaptureEngine::captured);
    QSignalSpy failed(&capturer, &CaptureEngine::failed);
    capturer.captureUrl(server.url(QStringLiteral("/page")), 30);
    QTRY_VERIFY_WITH_TIMEOUT(captured.size() + failed.size() > 0, 60000);
    QVERIFY2(failed.isEmpty(), qPrintable(failed.value(0).value(0).toString()));

    QVERIFY(server.requestCount(QStringLiteral("/late.png")) > 0);
    QCOMPARE(server.requestHeader(QStringLiteral("/late.png"), "X-Pagelith"), QByteArray("frame"));
    QCOMPARE(server.requestHeader(QStringLiteral("/late.png"), "User-Agent"),
        QByteArray("PagelithTest/1"));
    // The wait for a quiet network saw the frame's request: its picture is in.
    const QImage image = captured.first().first().value<QImage>();
    int bluePixels = 0;
    for (int y = 0; y < std::min(image.height(), 300); ++y) {
        for (int x = 0; x < std::min(image.width(), 400); ++x)
            bluePixels += image.pixelColor(x, y) == QColor(Qt::blue);
    }
    QVERIFY2(bluePixels > 50000, qPrintable(QString::number(bluePixels)));
}

void TestCdpFrames::closedPagesLeaveNoCallbacks()
{
    const QString chromium = ChromiumBrowser::find();
    if (chromium.isEmpty())
        QSKIP("No Chromium is installed");
    ChromiumBrowser browser(chromium);
    // 50 pages closed while a script of each waits for ever: the browser never
    // answers those, and no callback may stay behind.
    int opened = 0;
    int answered = 0;
    std::vector<std::unique_ptr<ChromiumPage>> pages;
    for (int i = 0; i < 50; ++i) {
        pages.push_back(std::make_unique<ChromiumPage>(&browser));
        browser.whenReady([&, page = pages.back().get()](const QString&) {
            page->open(320, 240, [&](const QString& error) { opened += error.isEmpty(); });
        });
    }
    QTRY_COMPARE_WITH_TIMEOUT(opened, 50, 60000);
    for (const auto& page : pages)
        page->evaluate(QStringLiteral("new Promise(function () {})"), 0,
            [&answered](const QVariant&, const CdpError&) { ++answered; });
    QCOMPARE(browser.pendingCommands(), 50);
    pages.clear();
    QTRY_COMPARE_WITH_TIMEOUT(browser.pendingCommands(), 0, 20000);
    // Their owners went: none of them ran.
    QCOMPARE(answered, 0);
}

QTEST_MAIN(TestCdpFrames)
#include "tst_cdpframes.moc"
