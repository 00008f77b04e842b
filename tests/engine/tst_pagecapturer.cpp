#include "cpuhog.h"
#include "engine/capture/captureoptionsreader.h"
#include "engine/capture/pdfwriter.h"
#include "engine/chromium/chromiumbrowser.h"
#include "engine/chromium/chromiumcapturer.h"
#include "engine/chromium/chromiumpage.h"
#include "engine/protocol/cdpconnection.h"
#include "engine/qtwebengine/capturepage.h"
#include "engine/qtwebengine/pagecapturer.h"
#include "engine/qtwebengine/pdfrenderer.h"
#include "engine/setup/enginesetup.h"
#include "rulerpage.h"
#include "testhttpserver.h"
#include "testpages.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>
#include <csignal>
#include <sys/types.h>

namespace {

QColor tint(int band)
{
    return QColor(QRgb(TestPages::BandTints[band % TestPages::BandTintCount]));
}

const QColor EndMarker = QColor(QRgb(TestPages::EndMarkerRgb));
const QColor FixedHeader = QColor(QRgb(TestPages::FixedHeaderRgb));

bool near(const QColor& a, const QColor& b)
{
    return qAbs(a.red() - b.red()) <= 2 && qAbs(a.green() - b.green()) <= 2
        && qAbs(a.blue() - b.blue()) <= 2;
}

// Whether `pid` is (still) a renderer process of the engine.
bool isRenderer(qint64 pid)
{
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    return pid > 0 && cmdline.open(QIODevice::ReadOnly)
        && cmdline.readAll().contains("--type=renderer");
}

// The suite runs on the engine PAGELITH_TEST_ENGINE names: "qt", or Chromium.
bool onChromium()
{
    return qgetenv("PAGELITH_TEST_ENGINE") != "qt";
}

// The parent of process `pid`, or 0.
qint64 parentOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // "pid (name) state ppid ...": the name may hold blanks, the last ')' ends it.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() : 0;
}

// The renderer processes below process `root`.
QList<qint64> renderersBelow(qint64 root)
{
    QList<qint64> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number || !isRenderer(pid))
            continue;
        for (qint64 p = parentOf(pid); p > 1; p = parentOf(p)) {
            if (p == root) {
                found << pid;
                break;
            }
        }
    }
    return found;
}

QByteArray pngOf(const QColor& colour, const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace

class TestPageCapturer : public QObject
{
    Q_OBJECT
public:
    static void initMain() { PrepareEngineEnvironment(); }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void pageComesOutAtItsSizePlusStrip_data();
    void pageComesOutAtItsSizePlusStrip();
    void tallPageIsAssembledFromTilesWithoutGaps();
    void fixedHeaderAppearsOnce();
    void viewportHighPartsKeepTheirWindowHeight();
    void everyTileIsCurrentOnABusyMachine();
    void lazyImagesAreSettledBeforeMeasuring();
    void pageIsCapturedAtRest();
    void pageThatNeverRestsIsCapturedAtTheBound();
    void windowSizeScaleAndFirstScreen();
    void bannersAndChosenElementsAreHidden();
    void pageWaitsForItsSelector();
    void elementIsCapturedAlone();
    void userAgentColourSchemeAndPrintMedia();
    void pageIsLaidOutAtTheWindowWidth();
    void pagesThatKeepAConnectionOpenAreNotHeld();
    void pageThatChangesHeightWhileCaptured_data();
    void pageThatChangesHeightWhileCaptured();
    void failedFrameStaysEmpty_data();
    void failedFrameStaysEmpty();
    void loadFailuresAreReasons_data();
    void loadFailuresAreReasons();
    void pageThatNeverAnswersTimesOutAtOnce_data();
    void pageThatNeverAnswersTimesOutAtOnce();
    void slowPageIsWaitedFor();
    void pageThatNeverFinishesIsCapturedAsItStands();
    void scriptDialogsDoNotBlock();
    void rendererCrashIsAFailure();
    void viewIsCapturedAndRestored();
    void hostilePageLeavesNothingForTheNextOne_data();
    void hostilePageLeavesNothingForTheNextOne();
    void framesThatNeverComeEndWithinTheTimeout();
    void scriptsOfAPageReadNoLocalFiles();
    void currentCssIsDrawn();
    void pdfHasTheChosenPageSetup_data();
    void pdfHasTheChosenPageSetup();
    void pdfIsNotWrittenOnceItsAskerIsGone();
    void deadBrowserFailsItsPageAndIsStartedAgain();
    void pageDroppedWhileOpeningLeavesNoContext();
    void browserStartsWhateverTheTemporaryFolder();

private:
    // A capturer of the engine under test.
    std::unique_ptr<CaptureEngine> makeCapturer();
    // Runs a capture and waits for its one answer.
    bool capture(const QUrl& url, int timeoutSeconds, QImage* image, QString* reason);
    // The body's HTML of the latest page, or an empty text when none came.
    QString bodyHtml();
    // The renderer processes of the latest page's engine, once there are any.
    QList<qint64> renderers();
    // Prints the latest capture and waits for the answer.
    bool printCaptured(const PdfOptions& options, const QString& pdfPath, QString* error);

    QTemporaryDir m_dir;
    TestHttpServer m_server;
    std::unique_ptr<ChromiumBrowser> m_browser;
    std::unique_ptr<CaptureEngine> m_engine;
};

void TestPageCapturer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(m_server.start());
    if (onChromium()) {
        const QString chromium = ChromiumBrowser::find();
        if (chromium.isEmpty())
            QSKIP("No Chromium is installed: the Chromium engine is not tested");
        m_browser = std::make_unique<ChromiumBrowser>(chromium);
    }
    m_engine = makeCapturer();
}

void TestPageCapturer::cleanupTestCase()
{
    // The capturer's pages (some handed to deleteLater, one kept for a print
    // whose asker went) go before the profile that shows them, which goes with
    // the application.
    m_engine.reset();
    PdfRenderer::waitForPendingPrints(60000);
    m_browser.reset();
}

std::unique_ptr<CaptureEngine> TestPageCapturer::makeCapturer()
{
    if (m_browser)
        return std::make_unique<ChromiumCapturer>(m_browser.get());
    return std::make_unique<PageCapturer>();
}

QString TestPageCapturer::bodyHtml()
{
    QString html;
    bool answered = false;
    m_engine->readBodyHtml(this, [&](const QString& value) {
        html = value;
        answered = true;
    });
    (void)QTest::qWaitFor([&] { return answered; }, 20000);
    return html;
}

QList<qint64> TestPageCapturer::renderers()
{
    QList<qint64> pids;
    (void)QTest::qWaitFor(
        [&] {
            if (m_browser)
                pids = renderersBelow(m_browser->connection()->processId());
            else if (auto* qt = qobject_cast<PageCapturer*>(m_engine.get()); qt && qt->page())
                pids = { qt->page()->renderProcessPid() };
            pids.removeAll(0);
            return !pids.isEmpty();
        },
        20000);
    return pids;
}

bool TestPageCapturer::capture(const QUrl& url, int timeoutSeconds, QImage* image, QString* reason)
{
    QSignalSpy done(m_engine.get(), &CaptureEngine::captured);
    QSignalSpy failed(m_engine.get(), &CaptureEngine::failed);
    m_engine->captureUrl(url, timeoutSeconds);
    if (!QTest::qWaitFor([&] { return done.count() + failed.count() > 0; }, 120000))
        return false;
    // Exactly one answer, and nothing afterwards.
    if (done.count() + failed.count() != 1)
        return false;
    if (!done.isEmpty())
        *image = done.first().first().value<QImage>();
    if (!failed.isEmpty())
        *reason = failed.first().first().toString();
    return true;
}

void TestPageCapturer::pageComesOutAtItsSizePlusStrip_data()
{
    QTest::addColumn<bool>("standards");
    QTest::addColumn<int>("width");
    QTest::newRow("standards") << true << 1200;
    QTest::newRow("quirks") << false << 1200;
    QTest::newRow("narrower than the view") << true << 800;
}

void TestPageCapturer::pageComesOutAtItsSizePlusStrip()
{
    QFETCH(bool, standards);
    QFETCH(int, width);
    const int height = 3000;
    const QString path = TestPages::writePage(m_dir.path(),
        QStringLiteral("band%1%2.html").arg(standards).arg(width),
        TestPages::bandedPage(width, height, standards));
    QImage image;
    QString reason;
    QVERIFY(capture(QUrl::fromLocalFile(path), 30, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    // A page narrower than the view is laid out in the view's width.
    const int pageWidth = qMax(width, 1024);
    QCOMPARE(image.size(), QSize(pageWidth + 13, height + 13));
    QVERIFY(near(image.pixelColor(20, height - 50), EndMarker));
    QVERIFY(near(image.pixelColor(20, 50), tint(0)));
    QVERIFY(!near(image.pixelColor(20, height + 6), EndMarker));
}

void TestPageCapturer::tallPageIsAssembledFromTilesWithoutGaps()
{
    // Taller than either engine's one grab.
    const int height = 45000;
    const QString path = TestPages::writePage(
        m_dir.path(), QStringLiteral("tall.html"), TestPages::bandedPage(1200, height, true));
    QImage image;
    QString reason;
    QVERIFY(capture(QUrl::fromLocalFile(path), 60, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    QCOMPARE(image.size(), QSize(1213, height + 13));
    // Every band has its own tint at its own place: no tile is missing, shifted or
    // repeated. The band's top rows and the bottom border are left out.
    for (int band = 0; band < height / 100 - 1; ++band) {
        for (int y : { band * 100 + 40, band * 100 + 95 }) {
            if (!near(image.pixelColor(5, y), tint(band)))
                QFAIL(qPrintable(QStringLiteral("band %1 wrong at y=%2").arg(band).arg(y)));
        }
    }
    QVERIFY(near(image.pixelColor(5, height - 50), EndMarker));
    // The strip below the page, which no tile can show, is blank paper.
    for (int y = height; y < image.height(); ++y)
        QCOMPARE(image.pixelColor(600, y), QColor(Qt::white));
}

void TestPageCapturer::fixedHeaderAppearsOnce()
{
    // A fixed header and a fixed footer on a page taller than a window: each once,
    // where a visitor sees it on the first screen (the footer at the bottom of the
    // first 768 rows, not at the bottom of a tile nor of the page).
    QByteArray html = TestPages::fixedHeaderPage(1200, 12080);
    const QColor footer(255, 0, 255);
    html.replace("<body>",
        "<body><div style=\"position:fixed;bottom:0;left:0;width:1200px;height:50px;"
        "background:#ff00ff;z-index:10\"></div>");
    const QString path = TestPages::writePage(m_dir.path(), QStringLiteral("fixed.html"), html);
    QImage image;
    QString reason;
    QVERIFY(capture(QUrl::fromLocalFile(path), 30, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    QCOMPARE(image.height(), 12080 + 13);
    int blueRows = 0;
    QList<int> footerRows;
    for (int y = 0; y < image.height(); ++y) {
        blueRows += near(image.pixelColor(600, y), FixedHeader) ? 1 : 0;
        if (near(image.pixelColor(600, y), footer))
            footerRows << y;
    }
    QCOMPARE(blueRows, 80);
    QVERIFY(near(image.pixelColor(600, 40), FixedHeader));
    QCOMPARE(footerRows.size(), 50);
    QCOMPARE(footerRows.first(), 768 - 50);
    QCOMPARE(footerRows.last(), 767);
    QVERIFY(near(image.pixelColor(5, 12080 - 50), EndMarker));
}

void TestPageCapturer::viewportHighPartsKeepTheirWindowHeight()
{
    // A green part one window high (100vh) above the bands: in a view enlarged to
    // the page it would grow with the view; it must stay one window high.
    QByteArray html = TestPages::bandedPage(1024, 3000);
    html.replace("<body>", "<body><div style=\"height:100vh;background:#00ff00\"></div>");
    const QString path = TestPages::writePage(m_dir.path(), QStringLiteral("vh.html"), html);
    QImage image;
    QString reason;
    QVERIFY(capture(QUrl::fromLocalFile(path), 30, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    QCOMPARE(image.size(), QSize(1024 + 13, 768 + 3000 + 13));
    QVERIFY(near(image.pixelColor(20, 768 - 5), QColor(0, 255, 0)));
    QVERIFY(near(image.pixelColor(20, 768 + 50), tint(0)));
    QVERIFY(near(image.pixelColor(20, image.height() - 13 - 50), EndMarker));
}

void TestPageCapturer::everyTileIsCurrentOnABusyMachine()
{
    // Dense text paints slowly; with both cores taken by others, an older frame is
    // the likeliest to be grabbed. Every band of the ruler must be where it belongs.
    const int width = 1200, height = 20000;
    const QString path = TestPages::writePage(
        m_dir.path(), QStringLiteral("ruler.html"), RulerPage::html(width, height));
    CpuHog hog;
    for (int run = 0; run < 3; ++run) {
        QImage image;
        QString reason;
        QVERIFY(capture(QUrl::fromLocalFile(path), 60, &image, &reason));
        QVERIFY2(reason.isEmpty(), qPrintable(reason));
        QCOMPARE(image.size(), QSize(width + 13, height + 13));
        const RulerPage::Audit audit = RulerPage::audit(image, width, height, 4000);
        QCOMPARE(audit.bands, height / RulerPage::BandHeight);
        QVERIFY2(audit.badBands == 0,
            qPrintable(QStringLiteral("run %1: %2 bad bands, first: %3")
                           .arg(run)
                           .arg(audit.badBands)
                           .arg(audit.firstProblem)));
    }
}

void TestPageCapturer::pageIsCapturedAtRest()
{
    // A fade-in, a transition the page starts when it has loaded, an endless
    // animation, and (on Chromium, which watches the page's requests) content a
    // script fetches 200 ms after the load, which comes 400 ms later: the network
    // was quiet for a moment before the request. The page's icon never comes: the
    // browser asks for it for its tab, not for the page.
    const QByteArray html = R"(<!DOCTYPE html><html><head>
<link rel="icon" href="/icon-never"><style>
body { margin: 0 }
div { height: 200px }
@keyframes fade { from { background: #ffffff } to { background: #00ff00 } }
@keyframes spin { from { background: #ff0000 } to { background: #0000ff } }
#fade { animation: fade 4s forwards }
#moved { background: #ffffff; transition: background 4s }
#moved.on { background: #00ff00 }
#spin { animation: spin 2s linear 0s infinite alternate }
</style></head><body><div id="fade"></div><div id="moved"></div><div id="spin"></div>
<div id="late"></div>
<script>addEventListener('load', function () {
  document.getElementById('moved').className = 'on';
  setTimeout(function () {
    fetch('/late').then(function (r) { return r.text(); }).then(function (t) {
      document.getElementById('late').style.background = t; });
  }, 200);
});</script></body></html>)";
    m_server.route(QStringLiteral("/rest"), TestHttpServer::page(html));
    m_server.route(QStringLiteral("/late"), TestHttpServer::slow("#00ff00", 400));
    m_server.route(QStringLiteral("/icon-never"), TestHttpServer::neverAnswer());
    QImage image;
    QString reason;
    QVERIFY(capture(m_server.url(QStringLiteral("/rest")), 30, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    QVERIFY2(m_engine->note().isEmpty(), qPrintable(m_engine->note()));
    QVERIFY2(near(image.pixelColor(500, 100), QColor(0, 255, 0)), "the fade-in ended");
    QVERIFY2(near(image.pixelColor(500, 300), QColor(0, 255, 0)), "the transition ended");
    QVERIFY2(near(image.pixelColor(500, 500), QColor(255, 0, 0)), "the spin stopped at its start");
    if (onChromium())
        QVERIFY2(near(image.pixelColor(500, 700), QColor(0, 255, 0)), "the late content came");
}

void TestPageCapturer::pageThatNeverRestsIsCapturedAtTheBound()
{
    // The page changes its layout in every frame for ever: it is captured when the
    // bound of the wait is reached, with a remark, never failed.
    if (!onChromium())
        QSKIP("Known fault, left open: Qt WebEngine's software renderer stops delivering "
              "frames to the capture for a page that lays itself out again in every frame");
    const QByteArray html = R"(<!DOCTYPE html><html><body style="margin:0">
<div id="grow" style="height:100px;background:#00ff00"></div>
<script>var h = 0; (function grow() {
  h = h % 400 + 1; document.getElementById('grow').style.height = (100 + h) + 'px';
  requestAnimationFrame(grow); })();
</script></body></html>)";
    const QString path = TestPages::writePage(m_dir.path(), QStringLiteral("restless.html"), html);
    CaptureOptions options;
    options.settleSeconds = 2;
    m_engine->setOptions(options);
    const auto defaults = qScopeGuard([this] { m_engine->setOptions(CaptureOptions()); });
    QElapsedTimer clock;
    clock.start();
    QImage image;
    QString reason;
    QVERIFY(capture(QUrl::fromLocalFile(path), 30, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    QVERIFY(!image.isNull());
    QVERIFY2(m_engine->note().contains(QStringLiteral("still changing after 2 seconds")),
        qPrintable(m_engine->note()));
    // The bound was waited for, and the default one (60 s) was not: the software
    // renderer of the Qt engine is slow with a page that changes in every frame.
    QVERIFY2(clock.elapsed() >= 2000 && clock.elapsed() < 45000,
        qPrintable(QString::number(clock.elapsed())));
}

void TestPageCapturer::windowSizeScaleAndFirstScreen()
{
    // Green only in a window narrower than 900 px; a one-pixel black line at x 100;
    // 3000 px tall.
    const QByteArray html = R"(<!DOCTYPE html><html><head><style>
html, body { margin: 0; background: #ffffff }
@media (max-width: 900px) { html, body { background: #00ff00 } }
#line { position: absolute; left: 100px; top: 0; width: 1px; height: 3000px; background: #000000 }
</style></head><body><div id="line"></div></body></html>)";
    const QString path = TestPages::writePage(m_dir.path(), QStringLiteral("window.html"), html);
    const auto defaults = qScopeGuard([this] { m_engine->setOptions(CaptureOptions()); });
    CaptureOptions options;
    options.viewportWidth = 800;
    options.viewportHeight = 600;
    options.viewportOnly = true;
    m_engine->setOptions(options);
    QImage image;
    QString reason;
    QVERIFY(capture(QUrl::fromLocalFile(path), 30, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    QCOMPARE(image.size(), QSize(800, 600));
    QVERIFY(near(image.pixelColor(400, 300), QColor(0, 255, 0)));
    if (!onChromium())
        return;
    // Twice the pixels, drawn at that resolution: the line is two sharp columns.
    options.scale = 2;
    m_engine->setOptions(options);
    QVERIFY(capture(QUrl::fromLocalFile(path), 30, &image, &reason));
    QCOMPARE(image.size(), QSize(1600, 1200));
    for (const int x : { 200, 201 })
        QVERIFY(near(image.pixelColor(x, 600), Qt::black));
    for (const int x : { 199, 202 })
        QVERIFY(near(image.pixelColor(x, 600), QColor(0, 255, 0)));
    // The whole page at scale 2: every part and the strip below twice as large.
    options.viewportOnly = false;
    m_engine->setOptions(options);
    QVERIFY(capture(QUrl::fromLocalFile(path), 30, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    QCOMPARE(image.height(), (3000 + 13) * 2);
    QVERIFY(near(image.pixelColor(201, 5900), Qt::black));
    QVERIFY(near(image.pixelColor(202, 5900), QColor(0, 255, 0)));
}

void TestPageCapturer::bannersAndChosenElementsAreHidden()
{
    // Imitations of two consent frameworks' banners that only the shipped list
    // names (no cookie words, or not fixed), a banner of no framework that the
    // heuristic finds, a fixed footer that merely links to a cookie policy (kept),
    // and an element hidden by selector (its place kept). Blogger's own notice is
    // named by the list; a Polish banner is found by its words.
    const QByteArray html = R"(<!DOCTYPE html><html><head><style>
body { margin: 0; font: 16px sans-serif }
.banner { background: #ff00ff; z-index: 100 }
</style></head><body>
<div class="ad" style="height:100px;background:#ffff00"></div>
<div style="height:3000px;background:#ffffff"></div>
<div id="onetrust-consent-sdk"><div id="onetrust-banner-sdk" class="banner"
  style="position:fixed;bottom:0;left:0;right:0;height:120px">We and our partners store data.
  <button>Accept</button></div></div>
<div id="CybotCookiebotDialog" class="banner"
  style="position:absolute;top:300px;left:200px;width:400px;height:300px">Your choices
  <button>OK</button></div>
<div class="x7-notice banner" style="position:fixed;top:0;left:0;width:100%;height:60px">
  This site uses cookies to improve your experience. <a href="#">Got it</a></div>
<div style="position:fixed;bottom:0;right:0;width:200px;height:40px;background:#00ffff;z-index:200">
  <a href="#">Cookie policy</a></div>
<div id="cookieChoiceInfo" class="banner" style="position:fixed;bottom:0;left:0;width:500px;height:50px">
  Deze site gebruikt cookies van Google. <a href="#">IK SNAP HET</a></div>
<div class="zgoda banner" style="position:fixed;top:200px;left:0;width:300px;height:80px">
  Ta strona używa plików cookie. <button>Akceptuję</button></div>
</body></html>)";
    const QString path = TestPages::writePage(m_dir.path(), QStringLiteral("banners.html"), html);
    CaptureOptions options;
    options.hide = QStringLiteral(".ad, .nothing-else");
    options.hideCookieBanners = true;
    QString problem;
    QVERIFY2(ReadConsentSelectors(ConsentSelectorsPath(), &options.consentSelectors, &problem),
        qPrintable(problem));
    m_engine->setOptions(options);
    const auto defaults = qScopeGuard([this] { m_engine->setOptions(CaptureOptions()); });
    QImage image;
    QString reason;
    QVERIFY(capture(QUrl::fromLocalFile(path), 30, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    QCOMPARE(image.height(), 3100 + 13);
    const QColor banner(255, 0, 255);
    for (int y = 0; y < image.height(); y += 10) {
        for (int x = 0; x < image.width(); x += 50)
            QVERIFY2(!near(image.pixelColor(x, y), banner),
                qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }
    QVERIFY(near(image.pixelColor(50, 50), Qt::white));
    QVERIFY(near(image.pixelColor(1000, 768 - 20), QColor(0, 255, 255)));
}

void TestPageCapturer::pageWaitsForItsSelector()
{
    // The element comes 600 ms after the load; one that never comes fails the page.
    const QByteArray html = R"(<!DOCTYPE html><html><body style="margin:0">
<script>addEventListener('load', function () { setTimeout(function () {
  var d = document.createElement('div'); d.id = 'ready';
  d.style.cssText = 'height:300px;background:#00ff00'; document.body.appendChild(d); }, 600); });
</script></body></html>)";
    const QString path = TestPages::writePage(m_dir.path(), QStringLiteral("later.html"), html);
    CaptureOptions options;
    options.waitFor = QStringLiteral("#ready");
    m_engine->setOptions(options);
    const auto defaults = qScopeGuard([this] { m_engine->setOptions(CaptureOptions()); });
    QImage image;
    QString reason;
    QVERIFY(capture(QUrl::fromLocalFile(path), 30, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    QVERIFY(near(image.pixelColor(100, 150), QColor(0, 255, 0)));
    options.waitFor = QStringLiteral("#never");
    m_engine->setOptions(options);
    QVERIFY(capture(QUrl::fromLocalFile(path), 5, &image, &reason));
    QVERIFY2(reason.contains(QStringLiteral("'#never'")), qPrintable(reason));
    // An extra wait longer than the page's time-out: the page, still answering, is
    // captured after it, in the colour its script gave it meanwhile.
    const QByteArray late = R"(<!DOCTYPE html><html><body style="margin:0;background:#ffffff">
<script>addEventListener('load', function () { setTimeout(function () {
  document.body.style.background = '#00ff00'; }, 5000); });</script></body></html>)";
    const QString latePath = TestPages::writePage(m_dir.path(), QStringLiteral("late.html"), late);
    options = CaptureOptions();
    // Longer than the time-out and the margin each step of a capture is allowed;
    // the time-out itself leaves a loaded machine time to load the page.
    options.extraWaitMs = 12000;
    m_engine->setOptions(options);
    reason.clear();
    QVERIFY(capture(QUrl::fromLocalFile(latePath), 6, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    QVERIFY(near(image.pixelColor(100, 100), QColor(0, 255, 0)));
}

void TestPageCapturer::elementIsCapturedAlone()
{
    // A red box taller than the Qt engine's tile, green on its first rows and blue
    // on its last, on a page that goes on below it.
    const QByteArray html = R"(<!DOCTYPE html><html><body style="margin:8px;background:#ffffff">
<div style="height:8000px"></div>
<div id="box" style="position:absolute;left:100px;top:600px;width:300px;height:5000px;
  background:#ff0000"><div style="height:4px;background:#00ff00"></div>
  <div style="position:absolute;bottom:0;width:100%;height:4px;background:#0000ff"></div></div>
</body></html>)";
    const QString path = TestPages::writePage(m_dir.path(), QStringLiteral("element.html"), html);
    CaptureOptions options;
    options.selector = QStringLiteral("#box");
    m_engine->setOptions(options);
    const auto defaults = qScopeGuard([this] { m_engine->setOptions(CaptureOptions()); });
    QImage image;
    QString reason;
    for (const double scale : { 1.0, 2.0 }) {
        if (scale > 1 && !onChromium())
            break;
        options.scale = scale;
        m_engine->setOptions(options);
        QVERIFY(capture(QUrl::fromLocalFile(path), 30, &image, &reason));
        QVERIFY2(reason.isEmpty(), qPrintable(reason));
        const int s = int(scale);
        QCOMPARE(image.size(), QSize(300 * s, 5000 * s));
        for (const int x : { 0, 150 * s, 300 * s - 1 }) {
            QVERIFY(near(image.pixelColor(x, 0), QColor(0, 255, 0)));
            QVERIFY(near(image.pixelColor(x, 2500 * s), QColor(255, 0, 0)));
            QVERIFY(near(image.pixelColor(x, 4000 * s), QColor(255, 0, 0)));
            QVERIFY(near(image.pixelColor(x, 5000 * s - 1), QColor(0, 0, 255)));
        }
    }
    options = CaptureOptions();
    options.selector = QStringLiteral("#nothing");
    m_engine->setOptions(options);
    QVERIFY(capture(QUrl::fromLocalFile(path), 30, &image, &reason));
    QCOMPARE(reason, QStringLiteral("No element matching '#nothing' on the page"));
}

void TestPageCapturer::userAgentColourSchemeAndPrintMedia()
{
    if (!onChromium())
        QSKIP("The Qt engine refuses these options (see the command-line tests)");
    // Each box turns green for one option: the browser's name the page's script
    // reads, dark colours asked for, print media.
    const QByteArray html = R"(<!DOCTYPE html><html><head><style>
body { margin: 0 } div { height: 100px; background: #ffffff }
@media (prefers-color-scheme: dark) { #dark { background: #00ff00 } }
@media print { #print { background: #00ff00 } }
</style></head><body><div id="agent"></div><div id="dark"></div><div id="print"></div>
<script>if (navigator.userAgent === 'PagelithTest/1')
  document.getElementById('agent').style.background = '#00ff00';</script></body></html>)";
    m_server.route(QStringLiteral("/media"), TestHttpServer::page(html));
    CaptureOptions options;
    options.userAgent = QStringLiteral("PagelithTest/1");
    options.colorScheme = QStringLiteral("dark");
    options.media = QStringLiteral("print");
    m_engine->setOptions(options);
    const auto defaults = qScopeGuard([this] { m_engine->setOptions(CaptureOptions()); });
    QImage image;
    QString reason;
    QVERIFY(capture(m_server.url(QStringLiteral("/media")), 30, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    QVERIFY2(near(image.pixelColor(300, 50), QColor(0, 255, 0)), "user agent");
    QVERIFY2(near(image.pixelColor(300, 150), QColor(0, 255, 0)), "dark colour scheme");
    QVERIFY2(near(image.pixelColor(300, 250), QColor(0, 255, 0)), "print media");
    // Without them, none.
    m_engine->setOptions(CaptureOptions());
    QVERIFY(capture(m_server.url(QStringLiteral("/media")), 30, &image, &reason));
    for (const int y : { 50, 150, 250 })
        QVERIFY(near(image.pixelColor(300, y), Qt::white));
}

void TestPageCapturer::lazyImagesAreSettledBeforeMeasuring()
{
    // Lazy images far below the first screen: one that fails and falls back to its
    // small alt text, one that loads. The page is measured as it ends up, so the
    // end marker closes the image and the loaded picture is in it.
    m_server.route(QStringLiteral("/gone.png"), TestHttpServer::status(404));
    QImage green(200, 150, QImage::Format_RGB32);
    green.fill(QColor(0, 200, 0));
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        green.save(&buffer, "PNG");
    }
    TestHttpServer::Response picture = TestHttpServer::page(png);
    picture.contentType = "image/png";
    m_server.route(QStringLiteral("/green.png"), picture);
    QByteArray html = TestPages::bandedPage(1024, 9000);
    html.replace("<p id=\"end-marker\">",
        "<img loading=\"lazy\" src=\"/gone.png\" alt=\"gone\" width=\"2500\" height=\"1667\""
        " style=\"display:block;width:100%;height:auto\">"
        "<img loading=\"lazy\" src=\"/green.png\" style=\"display:block\">"
        "<p id=\"end-marker\">");
    m_server.route(QStringLiteral("/lazy"), TestHttpServer::page(html));
    QImage image;
    QString reason;
    QVERIFY(capture(m_server.url(QStringLiteral("/lazy")), 30, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    QVERIFY(near(image.pixelColor(20, image.height() - 13 - 50), EndMarker));
    QVERIFY(near(image.pixelColor(100, image.height() - 13 - 100 - 75), QColor(0, 200, 0)));
}

void TestPageCapturer::pageIsLaidOutAtTheWindowWidth()
{
    // Wider than the window: the image ends where the page ends (the capture takes
    // the body's margin away), with nothing but the strip below.
    QString text;
    for (int i = 0; i < 6000; ++i)
        text += QStringLiteral("word%1 ").arg(i);
    const QByteArray html = TestPages::simplePage(QStringLiteral("wide"),
        QStringLiteral("<div style=\"width:1800px;height:10px\"></div>"
                       "<p style=\"font:16px/20px sans-serif;margin:0;width:auto\">%1</p>"
                       "<p id=\"end\" style=\"height:100px;margin:0;background:#ff0000\"></p>")
            .arg(text));
    const QString path = TestPages::writePage(m_dir.path(), QStringLiteral("wide.html"), html);
    QImage image;
    QString reason;
    QVERIFY(capture(QUrl::fromLocalFile(path), 30, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    QVERIFY(image.width() > 1800);
    QVERIFY2(near(image.pixelColor(100, image.height() - 13 - 50), EndMarker),
        qPrintable(QStringLiteral("height %1").arg(image.height())));
    QVERIFY(!near(image.pixelColor(100, image.height() - 13 + 2), EndMarker));
    if (!onChromium())
        return; // Its view cannot draw beyond its layout: it lays the page out wider.

    // The window's own rules apply, the page sees the window's width throughout, and
    // a page wider than it keeps the window's lines: its paragraph is as tall with a
    // 1,600-px strip above it as with a narrow one.
    const auto page = [&](int stripWidth) {
        return TestPages::simplePage(QStringLiteral("strip"),
            QStringLiteral("<style>body { margin: 0; background: #ff0000 }"
                           " @media (max-width: 1024px) { body { background: #00ff00 } }</style>"
                           "<div style=\"width:%1px;height:50px;background:#0000ff\"></div>"
                           "<p style=\"font:16px/20px sans-serif;margin:0\">%2</p><i id=\"w\"></i>"
                           "<div style=\"height:20px\"></div>"
                           "<script>var w = [innerWidth], log = document.getElementById('w');"
                           " log.textContent = w.join();"
                           " addEventListener('resize', function () { w.push(innerWidth);"
                           " log.textContent = w.join(); });</script>")
                .arg(stripWidth)
                .arg(text.left(20000)));
    };
    QList<int> heights;
    for (const int stripWidth : { 1600, 1000 }) {
        const QString file = TestPages::writePage(
            m_dir.path(), QStringLiteral("strip%1.html").arg(stripWidth), page(stripWidth));
        QVERIFY(capture(QUrl::fromLocalFile(file), 30, &image, &reason));
        QVERIFY2(reason.isEmpty(), qPrintable(reason));
        QCOMPARE(image.width(), std::max(stripWidth, 1024) + 13);
        QVERIFY(near(image.pixelColor(stripWidth - 10, 25), QColor(0, 0, 255)));
        QVERIFY(near(image.pixelColor(500, image.height() - 13 - 5), QColor(0, 255, 0)));
        const QRegularExpression widths(QStringLiteral("id=\"w\">([0-9,]+)<"));
        const QString seen = widths.match(bodyHtml()).captured(1);
        QVERIFY(!seen.isEmpty());
        for (const QString& width : seen.split(QLatin1Char(',')))
            QCOMPARE(width, QStringLiteral("1024"));
        heights << image.height();
    }
    QCOMPARE(heights.at(0), heights.at(1));
}

void TestPageCapturer::pagesThatKeepAConnectionOpenAreNotHeld()
{
    // Each is captured as soon as it is still, not at the bound of that wait: a
    // connection its scripts keep open by design, a lazy frame loaded with the page,
    // a print() of its own while it loads (and the PDF is still written).
    TestHttpServer::Response events = TestHttpServer::unfinished("retry: 60000\ndata: hello\n\n");
    events.contentType = "text/event-stream";
    m_server.route(QStringLiteral("/events"), events);
    m_server.route(
        QStringLiteral("/framed"), TestHttpServer::page(TestPages::bandedPage(300, 200)));
    const QByteArray body = TestPages::bandedPage(1024, 1000);
    const auto with = [&body](const QByteArray& part) {
        return TestHttpServer::page(
            QByteArray(body).replace("<p id=\"end-marker\">", part + "<p id=\"end-marker\">"));
    };
    m_server.route(
        QStringLiteral("/streaming"), with("<script>new EventSource('/events');</script>"));
    m_server.route(QStringLiteral("/lazy-frame"),
        with("<iframe loading=\"lazy\" src=\"/framed\" width=\"300\" height=\"200\""
             " style=\"position:absolute;top:0;left:0;border:0\"></iframe>"));
    m_server.route(QStringLiteral("/printing"), with("<script>window.print();</script>"));
    // Held, a page is captured at the bound of the wait for a still page, with a
    // remark that says so; the time is a backstop for a busy machine.
    const auto defaults = qScopeGuard([this] { m_engine->setOptions(CaptureOptions()); });
    CaptureOptions options;
    options.settleSeconds = 30;
    m_engine->setOptions(options);
    for (const char* path : { "/streaming", "/lazy-frame", "/printing" }) {
        QElapsedTimer clock;
        clock.start();
        QImage image;
        QString reason;
        QVERIFY(capture(m_server.url(QLatin1String(path)), 40, &image, &reason));
        QVERIFY2(reason.isEmpty(), qPrintable(reason));
        qInfo("%s captured in %lld ms", path, clock.elapsed());
        QVERIFY2(m_engine->note().isEmpty(), qPrintable(m_engine->note()));
        QVERIFY2(clock.elapsed() < 20000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(image.size(), QSize(1024 + 13, 1000 + 13));
    }
    const QString pdfPath = m_dir.filePath(QStringLiteral("printing.pdf"));
    QString error;
    QVERIFY2(printCaptured(PdfOptions(), pdfPath, &error), qPrintable(error));
    QPdfDocument pdf;
    QCOMPARE(pdf.load(pdfPath), QPdfDocument::Error::None);
    QVERIFY(pdf.pageCount() >= 1);
}

void TestPageCapturer::pageThatChangesHeightWhileCaptured_data()
{
    QTest::addColumn<bool>("keepsGrowing");
    QTest::newRow("grows once") << false;
    QTest::newRow("keeps growing") << true;
}

void TestPageCapturer::pageThatChangesHeightWhileCaptured()
{
    // Content added as the page is scrolled, as endless feeds do.
    QFETCH(bool, keepsGrowing);
    if (onChromium())
        QSKIP("Chromium takes this page in one grab, without scrolling; the measure after "
              "the tiles is the same code on both engines");
    QByteArray html = TestPages::bandedPage(1024, 9000);
    html.replace("</body>",
        QByteArray("<script>var grown = 0; window.addEventListener('scroll', function () {"
                   " if (window.scrollY > 0 && (")
            + (keepsGrowing ? "true" : "grown === 0")
            + ")) { ++grown; var d = document.createElement('div');"
              " d.style.cssText = 'height:1000px;background:#00ff00';"
              " document.body.insertBefore(d, document.getElementById('end-marker')); } });"
              "</script></body>");
    const QString path
        = TestPages::writePage(m_dir.path(), QStringLiteral("grow%1.html").arg(keepsGrowing), html);
    QImage image;
    QString reason;
    QVERIFY(capture(QUrl::fromLocalFile(path), 30, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    if (!keepsGrowing) {
        QCOMPARE(image.height(), 9000 + 1000 + 13);
        QVERIFY(near(image.pixelColor(20, image.height() - 13 - 50), EndMarker));
        QVERIFY(m_engine->note().isEmpty());
        return;
    }
    QVERIFY(image.height() > 9000 + 1000 + 13);
    // It ends where what was captured ends, not in blank rows for what came later.
    QVERIFY(image.pixelColor(20, image.height() - 13 - 50) != QColor(Qt::white));
    QCOMPARE(m_engine->note(),
        QStringLiteral("the page kept changing its height while it was captured"));
}

void TestPageCapturer::failedFrameStaysEmpty_data()
{
    QTest::addColumn<bool>("blocked");
    // A frame whose server is gone shows nothing, as in a browser: no error box.
    QTest::newRow("server gone") << false;
    // Nor does one the local file rule keeps out: no icon of a blocked page.
    QTest::newRow("blocked by the local file rule") << true;
}

void TestPageCapturer::failedFrameStaysEmpty()
{
    QFETCH(bool, blocked);
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    QString source = QStringLiteral("http://127.0.0.1:%1/").arg(probe.serverPort());
    probe.close();
    if (blocked)
        source
            = QUrl::fromLocalFile(TestPages::writePage(m_dir.path(), QStringLiteral("outside.html"),
                                      TestPages::simplePage(QStringLiteral("outside"),
                                          QStringLiteral("<h1>Outside the folder</h1>"))))
                  .toString();
    const QByteArray html = TestPages::simplePage(QStringLiteral("frame"),
        QStringLiteral("<iframe src=\"%1\" style=\"border:0;width:600px;height:300px\"></iframe>"
                       "<div style=\"height:100px;background:#ff0000\"></div>")
            .arg(source));
    QUrl url = m_server.url(QStringLiteral("/framed"));
    if (blocked) {
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("inner")));
        url = QUrl::fromLocalFile(TestPages::writePage(
            m_dir.filePath(QStringLiteral("inner")), QStringLiteral("framing.html"), html));
    } else {
        m_server.route(QStringLiteral("/framed"), TestHttpServer::page(html));
    }
    QImage image;
    QString reason;
    QVERIFY(capture(url, 30, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    for (int y = 10; y < 300; y += 7) {
        for (int x = 10; x < 600; x += 13) {
            if (image.pixelColor(x, y) != QColor(Qt::white))
                QFAIL(qPrintable(QStringLiteral("frame not empty at %1,%2").arg(x).arg(y)));
        }
    }
    QVERIFY(near(image.pixelColor(20, 8 + 300 + 50), EndMarker));
}

void TestPageCapturer::loadFailuresAreReasons_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");
    m_server.route(QStringLiteral("/403"), TestHttpServer::status(403));
    m_server.route(QStringLiteral("/404"), TestHttpServer::status(404));
    m_server.route(QStringLiteral("/500"), TestHttpServer::status(500));
    m_server.route(QStringLiteral("/never"), TestHttpServer::neverAnswer());
    m_server.route(QStringLiteral("/401"), TestHttpServer::status(401));
    m_server.route(QStringLiteral("/loop"), TestHttpServer::redirect("/loop"));
    QTest::newRow("403") << "/403"
                         << "Incorrect Username/Password";
    QTest::newRow("401") << "/401"
                         << "HTTP 401 Unauthorized (the page needs a login)";
    QTest::newRow("404") << "/404"
                         << "HTTP 404 Not Found";
    QTest::newRow("redirect loop") << "/loop"
                                   << "Too many redirects";
    QTest::newRow("missing local file") << "missing"
                                        << "No such file";
    QTest::newRow("500") << "/500"
                         << "Server error - you may be able to try again";
    QTest::newRow("never answers") << "/never"
                                   << "Timed out after 2 seconds waiting for the page";
    QTest::newRow("nothing listening") << "closed"
                                       << "Connection refused";
}

void TestPageCapturer::loadFailuresAreReasons()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    // A port nobody listens on: bind one, note it, close it.
    QUrl url = m_server.url(path);
    if (path == QLatin1String("closed")) {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        url = QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(probe.serverPort()));
    }
    if (path == QLatin1String("missing"))
        url = QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("missing.html")));
    QImage image;
    QString got;
    QVERIFY(capture(url, path == QLatin1String("/never") ? 2 : 10, &image, &got));
    QVERIFY2(image.isNull(),
        qPrintable(QStringLiteral("captured %1x%2").arg(image.width()).arg(image.height())));
    QCOMPARE(got, reason);
}

void TestPageCapturer::pageThatNeverAnswersTimesOutAtOnce_data()
{
    QTest::addColumn<QString>("address");
    m_server.route(QStringLiteral("/silent"), TestHttpServer::neverAnswer());
    QTest::newRow("server never answers") << m_server.url(QStringLiteral("/silent")).toString();
    QTest::newRow("address without a host") << QStringLiteral("http://");
}

void TestPageCapturer::pageThatNeverAnswersTimesOutAtOnce()
{
    // A capturer that has shown nothing yet still holds its blank document, which
    // looks loaded; it is not the page asked for.
    QFETCH(QString, address);
    const std::unique_ptr<CaptureEngine> own = makeCapturer();
    CaptureEngine& capturer = *own;
    QSignalSpy done(&capturer, &CaptureEngine::captured);
    QSignalSpy failed(&capturer, &CaptureEngine::failed);
    QElapsedTimer clock;
    clock.start();
    capturer.captureUrl(QUrl(address), 2);
    QTRY_COMPARE_WITH_TIMEOUT(done.count() + failed.count(), 1, 60000);
    qInfo("%s: answered after %lld ms", qPrintable(address), clock.elapsed());
    QCOMPARE(done.count(), 0);
    // Chromium refuses an address without a host outright.
    QCOMPARE(failed.first().first().toString(),
        onChromium() && address == QLatin1String("http://")
            ? QStringLiteral("Not a valid address")
            : QStringLiteral("Timed out after 2 seconds waiting for the page"));
    // The reason above shows that the timeout ended the wait; the clock only rules
    // out a wait for some other limit, with room for a busy machine.
    QVERIFY2(clock.elapsed() < 40000, "the timeout did not bound the wait");

    // The stopped load leaves nothing behind that could upset the next page, even
    // one started as soon as the failure is reported.
    m_server.route(
        QStringLiteral("/after"), TestHttpServer::page(TestPages::bandedPage(1024, 900)));
    failed.clear();
    connect(&capturer, &CaptureEngine::failed, this,
        [&] { capturer.captureUrl(m_server.url(QStringLiteral("/after")), 10); });
    capturer.captureUrl(QUrl(address), 1);
    QTRY_COMPARE_WITH_TIMEOUT(done.count() + failed.count(), 2, 60000);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(done.first().first().value<QImage>().size(), QSize(1024 + 13, 900 + 13));
}

void TestPageCapturer::slowPageIsWaitedFor()
{
    m_server.route(
        QStringLiteral("/slow"), TestHttpServer::slow(TestPages::bandedPage(1024, 1000), 1500));
    QImage image;
    QString reason;
    QVERIFY(capture(m_server.url(QStringLiteral("/slow")), 20, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    QCOMPARE(image.size(), QSize(1024 + 13, 1000 + 13));
    QVERIFY(m_engine->note().isEmpty());
}

void TestPageCapturer::pageThatNeverFinishesIsCapturedAsItStands()
{
    // The document arrives but an image it holds never does: no load event, ever.
    m_server.route(QStringLiteral("/hang.png"), TestHttpServer::neverAnswer());
    QByteArray html = TestPages::bandedPage(1024, 1000);
    html.replace("</body>", "<img src=\"/hang.png\"></body>");
    m_server.route(QStringLiteral("/unfinished"), TestHttpServer::page(html));
    QImage image;
    QString reason;
    // The time-out leaves room for the document itself to come on a busy machine
    // (with two seconds, it once did not on Qt WebEngine).
    QVERIFY(capture(m_server.url(QStringLiteral("/unfinished")), 5, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    QVERIFY(near(image.pixelColor(20, 950), EndMarker));
    QVERIFY(m_engine->note().startsWith(QStringLiteral("Timed out after 5 seconds")));
}

void TestPageCapturer::scriptDialogsDoNotBlock()
{
    const QString path = TestPages::writePage(m_dir.path(), QStringLiteral("dialogs.html"),
        TestPages::simplePage(QStringLiteral("dialogs"),
            QStringLiteral("<script>alert('a'); confirm('b'); prompt('c');"
                           "document.write('<p>after the dialogs</p>');</script>")));
    QImage image;
    QString reason;
    QVERIFY(capture(QUrl::fromLocalFile(path), 10, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    QVERIFY(!image.isNull());
}

void TestPageCapturer::rendererCrashIsAFailure()
{
    // The page's renderer is killed while the next page is on its way.
    m_server.route(
        QStringLiteral("/crash"), TestHttpServer::slow(TestPages::bandedPage(1024, 1000), 3000));
    QSignalSpy done(m_engine.get(), &CaptureEngine::captured);
    QSignalSpy failed(m_engine.get(), &CaptureEngine::failed);
    m_engine->captureUrl(m_server.url(QStringLiteral("/crash")), 20);
    // Chromium gives the page a renderer of its own once the answer comes: every
    // renderer is killed until the capture answers.
    QVERIFY(!renderers().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            if (done.count() + failed.count() > 0)
                return true;
            for (const qint64 pid : renderers())
                ::kill(pid_t(pid), SIGKILL);
            return false;
        }(),
        30000);
    QCOMPARE(failed.count(), 1);
    // Chromium ends the load of a page whose renderer died before the page came as
    // it ends a download's: the crash, reported next, is the reason.
    QCOMPARE(failed.first().first().toString(), QStringLiteral("The page's renderer crashed"));

    // The next page gets a new renderer, and so does the one after a crash of
    // every renderer between two pages (on Chromium, the page opened ahead of
    // time among them).
    const QUrl after = QUrl::fromLocalFile(TestPages::writePage(
        m_dir.path(), QStringLiteral("after.html"), TestPages::bandedPage(1024, 1000)));
    QImage image;
    QString reason;
    QVERIFY(capture(after, 20, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    // The next page starts at once: the engine may report the crash after the
    // next load began on the page that lost its renderer.
    for (const qint64 pid : renderers())
        ::kill(pid_t(pid), SIGKILL);
    QVERIFY(capture(after, 20, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
}

void TestPageCapturer::viewIsCapturedAndRestored()
{
    if (onChromium())
        QSKIP("A window's view is always captured by Qt WebEngine");
    QWebEngineView view;
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(640, 480);
    view.show();
    QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
    view.load(QUrl::fromLocalFile(TestPages::writePage(
        m_dir.path(), QStringLiteral("view.html"), TestPages::bandedPage(1000, 5000))));
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, 30000);

    QSignalSpy done(m_engine.get(), &CaptureEngine::captured);
    QSignalSpy failed(m_engine.get(), &CaptureEngine::failed);
    m_engine->captureView(&view);
    QTRY_COMPARE_WITH_TIMEOUT(done.count() + failed.count(), 1, 60000);
    QVERIFY2(
        failed.isEmpty(), failed.isEmpty() ? "" : qPrintable(failed.first().first().toString()));
    const QImage image = done.first().first().value<QImage>();
    QCOMPARE(image.size(), QSize(1013, 5013));
    QVERIFY(near(image.pixelColor(20, 4950), EndMarker));
    QCOMPARE(view.size(), QSize(640, 480));
    QCOMPARE(view.page()->url(), loaded.isEmpty() ? QUrl() : view.page()->url());
}

void TestPageCapturer::hostilePageLeavesNothingForTheNextOne_data()
{
    QTest::addColumn<QByteArray>("html");
    QTest::addColumn<bool>("local");
    QTest::addColumn<bool>("halfSent");
    const QByteArray headLoop = "<!DOCTYPE html><html><head><script>for (;;) {}</script></head>"
                                "<body>never shown</body></html>";
    const QByteArray loopAfterLoad = TestPages::simplePage(QStringLiteral("late loop"),
        QStringLiteral("<p>loaded</p><script>addEventListener('load', function () {"
                       " setTimeout(function () { for (;;) {} }, 0); });</script>"));
    QTest::newRow("endless script in the head") << headLoop << false << false;
    QTest::newRow("endless script in the head, local file") << headLoop << true << false;
    QTest::newRow("endless loop after load") << loopAfterLoad << false << false;
    QTest::newRow("endless loop after load, local file") << loopAfterLoad << true << false;
    // A huge page cut off half-parsed when the "timeout" runs out.
    QTest::newRow("half-sent page")
        << "<!DOCTYPE html><html><body><p>" + QByteArray(200000, 'x') << false << true;
}

void TestPageCapturer::hostilePageLeavesNothingForTheNextOne()
{
    QFETCH(QByteArray, html);
    QFETCH(bool, local);
    QFETCH(bool, halfSent);
    const QString tag = QString::number(qHash(QByteArray(QTest::currentDataTag())));
    QUrl hostile = m_server.url(QStringLiteral("/hostile") + tag);
    if (local)
        hostile = QUrl::fromLocalFile(
            TestPages::writePage(m_dir.path(), QStringLiteral("hostile%1.html").arg(tag), html));
    else
        m_server.route(hostile.path(),
            halfSent ? TestHttpServer::unfinished(html) : TestHttpServer::page(html));
    const QByteArray plain = TestPages::bandedPage(1024, 900);
    m_server.route(QStringLiteral("/plain"), TestHttpServer::page(plain));
    const QUrl plainFile = QUrl::fromLocalFile(
        TestPages::writePage(m_dir.path(), QStringLiteral("plain.html"), plain));
    const QUrl next = local ? plainFile : m_server.url(QStringLiteral("/plain"));

    QSignalSpy done(m_engine.get(), &CaptureEngine::captured);
    QSignalSpy failed(m_engine.get(), &CaptureEngine::failed);
    // The next page from the same site starts as soon as the hostile one has failed.
    const QMetaObject::Connection startNext = connect(
        m_engine.get(), &CaptureEngine::failed, this, [&] { m_engine->captureUrl(next, 20); },
        Qt::SingleShotConnection);
    const auto cleanup = qScopeGuard([&] { disconnect(startNext); });
    m_engine->captureUrl(hostile, 1);
    const QList<qint64> pids = renderers();
    QVERIFY(!pids.isEmpty());
    // Every wait is bounded by the one-second "timeout" plus a margin.
    QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 60000);
    QCOMPARE(done.count(), 0);
    qInfo("hostile page: %s", qPrintable(failed.first().first().toString()));
    // The hostile page's renderer dies late, as a memory hog's does: that is no
    // failure of the next page.
    for (const qint64 renderer : pids) {
        if (isRenderer(renderer))
            ::kill(pid_t(renderer), SIGKILL);
    }
    QTRY_COMPARE_WITH_TIMEOUT(done.count() + failed.count(), 2, 60000);
    QVERIFY2(done.count() == 1, qPrintable(failed.last().first().toString()));
    QCOMPARE(done.first().first().value<QImage>().size(), QSize(1024 + 13, 900 + 13));
    // A local file after a web page, and the other way round.
    QImage image;
    QString reason;
    QVERIFY(
        capture(local ? m_server.url(QStringLiteral("/plain")) : plainFile, 20, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
}

void TestPageCapturer::framesThatNeverComeEndWithinTheTimeout()
{
    // A page that never lets a frame through (as one that keeps reloading itself
    // loses the frames asked of it) fails once its "timeout" and a margin are over.
    const QString path = TestPages::writePage(m_dir.path(), QStringLiteral("noframes.html"),
        TestPages::simplePage(QStringLiteral("no frames"),
            QStringLiteral("<p>text</p><script>window.requestAnimationFrame ="
                           " function () { return 0; };</script>")));
    QElapsedTimer clock;
    clock.start();
    QImage image;
    QString reason;
    QVERIFY(capture(QUrl::fromLocalFile(path), 3, &image, &reason));
    // Chromium runs the capture's scripts in a world of their own, which the page's
    // replacement never reaches: that page is simply captured.
    QCOMPARE(reason,
        onChromium() ? QString()
                     : QStringLiteral("Timed out after 3 seconds while the page was captured"));
    // The reason shows what ended the wait; the clock rules out the old fixed limit
    // (twice 15 seconds), with room for a busy machine.
    QVERIFY2(clock.elapsed() < 25000, qPrintable(QString::number(clock.elapsed())));
}

void TestPageCapturer::scriptsOfAPageReadNoLocalFiles()
{
    // A local page shows its own picture and style sheet, but neither its scripts
    // nor a web page's read another local file: not by request, not through a frame.
    const QString site = m_dir.filePath(QStringLiteral("site"));
    QVERIFY(QDir().mkpath(site) && QDir().mkpath(m_dir.filePath(QStringLiteral("private"))));
    const QString secret = TestPages::writePage(m_dir.filePath(QStringLiteral("private")),
        QStringLiteral("secret.txt"), "pagelith-secret-4711");
    QVERIFY(!secret.isEmpty());
    TestPages::writePage(site, QStringLiteral("style.css"), "body { background: #00ff00; }");
    TestPages::writePage(site, QStringLiteral("pic.png"), pngOf(Qt::blue, { 40, 30 }));
    auto probe = [](const QString& target) {
        return TestPages::simplePage(QStringLiteral("probe"),
            QStringLiteral(
                "<link rel=\"stylesheet\" href=\"style.css\"><img src=\"pic.png\""
                " style=\"display:block\"><p id=\"out\"></p><script>"
                "function note(s) { document.getElementById('out').textContent += s + ';'; }"
                "try { var x = new XMLHttpRequest(); x.open('GET', '%1', false); x.send();"
                " note('xhr:' + x.responseText); } catch (e) { note('xhr:blocked'); }"
                "fetch('%1').then(function (r) { return r.text(); }).then("
                "function (t) { note('fetch:' + t); }, function () { note('fetch:blocked'); });"
                "function frame(f) { try { note('frame:' + f.contentDocument.body.textContent); }"
                " catch (e) { note('frame:blocked'); } }"
                "</script><iframe src=\"%1\" onload=\"frame(this)\"></iframe>")
                .arg(target));
    };
    m_server.route(QStringLiteral("/probe"),
        TestHttpServer::page(probe(QUrl::fromLocalFile(secret).toString())));
    const QUrl local = QUrl::fromLocalFile(TestPages::writePage(
        site, QStringLiteral("probe.html"), probe(QStringLiteral("../private/secret.txt"))));
    for (const QUrl& url : { local, m_server.url(QStringLiteral("/probe")) }) {
        QImage image;
        QString reason;
        QVERIFY(capture(url, 10, &image, &reason));
        QVERIFY2(reason.isEmpty(), qPrintable(reason));
        // The page notes what its requests and its frame gave it.
        QString out;
        const bool settled = QTest::qWaitFor(
            [&] {
                out = bodyHtml();
                return out.contains(QStringLiteral("fetch:"))
                    && out.contains(QStringLiteral("frame:"));
            },
            20000);
        QVERIFY2(settled, qPrintable(out));
        QVERIFY2(!out.contains(QStringLiteral("pagelith-secret-4711")), qPrintable(out));
        QVERIFY2(out.contains(QStringLiteral("xhr:blocked;")), qPrintable(out));
        QVERIFY2(out.contains(QStringLiteral("fetch:blocked;")), qPrintable(out));
        if (url.isLocalFile()) {
            QVERIFY(near(image.pixelColor(20, 15), Qt::blue));
            QVERIFY(near(image.pixelColor(600, 200), QColor(0, 255, 0)));
        }
    }
}

void TestPageCapturer::currentCssIsDrawn()
{
    if (!onChromium())
        QSKIP("Qt WebEngine's Chromium 102 draws these features wrong: the default engine does");
    // One row each, red unless the engine draws the feature: then green.
    const QStringList rows = {
        // CSS nesting
        QStringLiteral("<style>.nest { background: red; & .in { background: #00ff00 } }</style>"
                       "<div class=\"nest\"><div class=\"in box\"></div></div>"),
        // :has()
        QStringLiteral("<style>.has .box { background: red }"
                       " .has:has(.flag) .box { background: #00ff00 }</style>"
                       "<div class=\"has\"><i class=\"flag\"></i><div class=\"box\"></div></div>"),
        // a container query
        QStringLiteral("<style>.cq { container-type: inline-size; width: 300px }"
                       " .cq .box { background: red }"
                       " @container (min-width: 200px) { .cq .box { background: #00ff00 } }</style>"
                       "<div class=\"cq\"><div class=\"box\"></div></div>"),
        // oklch()
        QStringLiteral("<div class=\"box\" style=\"background: red;"
                       " background: oklch(86.644% 0.294827 142.4953)\"></div>"),
        // color-mix()
        QStringLiteral("<div class=\"box\" style=\"background: red;"
                       " background: color-mix(in srgb, #00ff00 50%, #00ff00)\"></div>"),
        // subgrid
        QStringLiteral("<style>.sg { background: red } @supports (grid-template-columns: subgrid)"
                       " { .sg { background: #00ff00 } }</style><div class=\"sg box\"></div>"),
        // dvh units
        QStringLiteral("<div class=\"box\" style=\"background: red; overflow: hidden\">"
                       "<div style=\"height: 100dvh; background: #00ff00\"></div></div>"),
        // a closed popover is not drawn
        QStringLiteral("<div class=\"box\" style=\"background: #00ff00; position: relative\">"
                       "<div popover style=\"display: block; position: absolute; inset: 0;"
                       " margin: 0; border: 0; background: red\"></div></div>"),
    };
    QString body = QStringLiteral("<style>body { margin: 0 } .row { height: 60px }"
                                  " .box { width: 200px; height: 50px }</style>");
    for (const QString& row : rows)
        body += QStringLiteral("<div class=\"row\">%1</div>").arg(row);
    const QString path = TestPages::writePage(m_dir.path(), QStringLiteral("current.html"),
        "<!DOCTYPE html><html><body>" + body.toUtf8() + "</body></html>");
    QImage image;
    QString reason;
    QVERIFY(capture(QUrl::fromLocalFile(path), 30, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    const QStringList names = { QStringLiteral("nesting"), QStringLiteral(":has()"),
        QStringLiteral("container query"), QStringLiteral("oklch()"), QStringLiteral("color-mix()"),
        QStringLiteral("subgrid"), QStringLiteral("dvh"), QStringLiteral("popover") };
    for (int i = 0; i < rows.size(); ++i) {
        for (const int x : { 30, 100 }) {
            const QColor c = image.pixelColor(x, i * 60 + 25);
            QVERIFY2(c.green() > 200 && c.red() < 60,
                qPrintable(QStringLiteral("%1 drawn wrong: %2").arg(names.at(i), c.name())));
        }
    }
}

bool TestPageCapturer::printCaptured(
    const PdfOptions& options, const QString& pdfPath, QString* error)
{
    bool answered = false;
    bool ok = false;
    m_engine->printPdf(pdfPath, options, 20, this, [&](bool printed, const QString& why) {
        answered = true;
        ok = printed;
        *error = why;
    });
    if (!QTest::qWaitFor([&] { return answered; }, 60000))
        *error = QStringLiteral("no answer");
    return ok;
}

void TestPageCapturer::pdfHasTheChosenPageSetup_data()
{
    QTest::addColumn<QString>("paper");
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<double>("marginMm");
    QTest::addColumn<bool>("background");
    QTest::addColumn<bool>("headerFooter");
    QTest::addColumn<QSizeF>("points");
    QTest::newRow("defaults: A4, 10 mm, backgrounds")
        << "A4" << false << 10.0 << true << false << QSizeF(595.3, 841.9);
    QTest::newRow("Letter turned, 20 mm, no backgrounds")
        << "letter" << true << 20.0 << false << false << QSizeF(792, 612);
    QTest::newRow("width by height")
        << "100mmx150mm" << false << 10.0 << true << false << QSizeF(283.5, 425.2);
    QTest::newRow("header and footer")
        << "A5" << false << 10.0 << true << true << QSizeF(419.5, 595.3);
}

void TestPageCapturer::pdfHasTheChosenPageSetup()
{
    QFETCH(QString, paper);
    QFETCH(bool, landscape);
    QFETCH(double, marginMm);
    QFETCH(bool, background);
    QFETCH(bool, headerFooter);
    QFETCH(QSizeF, points);
    if (headerFooter && !onChromium())
        QSKIP("Qt WebEngine prints no header and footer (the option is refused there)");
    // Long enough for several pages; its text starts at the body's margin, which
    // the capture takes away and the print must give back.
    const QString path
        = QStringLiteral("/print-%1").arg(qHash(QLatin1String(QTest::currentDataTag())));
    m_server.route(path,
        TestHttpServer::page("<!DOCTYPE html><html><head><title>Printed page</title><style>"
                             "body { margin: 8px; background: rgb(40, 120, 200);"
                             " font: 16px sans-serif; } div { height: 3000px; }"
                             "</style></head><body><p>Printed text</p><div></div></body></html>"));
    QImage image;
    QString reason;
    QVERIFY(capture(m_server.url(path), 30, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    PdfOptions options;
    options.paperMm = *PdfPageSetup::parsePaper(paper);
    options.landscape = landscape;
    options.marginMm = marginMm;
    options.background = background;
    options.headerFooter = headerFooter;
    const QString pdfPath = m_dir.filePath(QStringLiteral("setup.pdf"));
    QString error;
    QVERIFY2(printCaptured(options, pdfPath, &error), qPrintable(error));
    // The page that was captured is printed, not loaded again.
    QCOMPARE(m_server.requestCount(path), 1);

    QPdfDocument pdf;
    QCOMPARE(pdf.load(pdfPath), QPdfDocument::Error::None);
    QVERIFY2(pdf.pageCount() >= 2, qPrintable(QString::number(pdf.pageCount())));
    for (int i = 0; i < pdf.pageCount(); ++i) {
        const QSizeF size = pdf.pagePointSize(i);
        QVERIFY2(qAbs(size.width() - points.width()) < 1.5
                && qAbs(size.height() - points.height()) < 1.5,
            qPrintable(
                QStringLiteral("page %1: %2 x %3").arg(i).arg(size.width()).arg(size.height())));
    }
    const QPdfSelection text = pdf.getAllText(0);
    QVERIFY2(text.text().contains(QStringLiteral("Printed text")), qPrintable(text.text()));
    if (!headerFooter) {
        // The text starts at the paper's margin plus the body's 8 CSS pixels (6 pt).
        const double left = marginMm / 25.4 * 72 + 6;
        QVERIFY2(qAbs(text.boundingRectangle().left() - left) < 3,
            qPrintable(QString::number(text.boundingRectangle().left())));
    }
    if (headerFooter) {
        QVERIFY2(text.text().contains(QStringLiteral("Printed page")), qPrintable(text.text()));
        QVERIFY2(text.text().contains(QStringLiteral("Page 1 of %1").arg(pdf.pageCount())),
            qPrintable(text.text()));
    } else {
        QVERIFY2(!text.text().contains(QStringLiteral("Page 1 of")), qPrintable(text.text()));
    }
    // The middle of the first page shows the body's colour, or the paper's.
    QImage page(pdf.render(0, (points * 0.5).toSize()).size(), QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter(&page).drawImage(0, 0, pdf.render(0, page.size()));
    const QColor middle = page.pixelColor(page.width() / 2, page.height() / 2);
    const QColor expected = background ? QColor(40, 120, 200) : QColor(Qt::white);
    QVERIFY2(qAbs(middle.red() - expected.red()) < 8 && qAbs(middle.green() - expected.green()) < 8
            && qAbs(middle.blue() - expected.blue()) < 8,
        qPrintable(middle.name()));
}

void TestPageCapturer::pdfIsNotWrittenOnceItsAskerIsGone()
{
    // The page holds its print for a while: its "beforeprint" asks the server for
    // a page that comes late, and waits for it.
    m_server.route(QStringLiteral("/held-print"), TestHttpServer::slow("late", 3000));
    m_server.route(QStringLiteral("/orphan"),
        TestHttpServer::page("<!DOCTYPE html><html><body><p>Orphan</p><script>"
                             "addEventListener('beforeprint', function () {"
                             " var x = new XMLHttpRequest(); x.open('GET', '/held-print', false);"
                             " try { x.send(); } catch (e) {} });</script></body></html>"));
    QImage image;
    QString reason;
    QVERIFY(capture(m_server.url(QStringLiteral("/orphan")), 30, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    const QString folder = m_dir.filePath(QStringLiteral("orphan"));
    QVERIFY(QDir().mkpath(folder));
    auto* asker = new QObject;
    bool answered = false;
    m_engine->printPdf(QDir(folder).filePath(QStringLiteral("orphan.pdf")), PdfOptions(), 20, asker,
        [&](bool, const QString&) { answered = true; });
    const QPointer<QObject> printer = m_engine->findChild<QObject*>(PdfPrint::PrinterObjectName);
    QVERIFY(printer);
    // The print has begun: whoever asked goes now.
    QTRY_VERIFY_WITH_TIMEOUT(m_server.requestCount(QStringLiteral("/held-print")) == 1, 30000);
    delete asker;
    QTRY_VERIFY_WITH_TIMEOUT(!printer, 60000);
    QVERIFY(!answered);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());

    // The capturer goes on with the next page.
    QVERIFY(capture(m_server.url(QStringLiteral("/orphan")), 30, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
}

void TestPageCapturer::deadBrowserFailsItsPageAndIsStartedAgain()
{
    if (!m_browser)
        QSKIP("Only the Chromium engine has a browser process of its own");
    m_server.route(
        QStringLiteral("/dying"), TestHttpServer::slow(TestPages::bandedPage(1024, 1000), 3000));
    QSignalSpy done(m_engine.get(), &CaptureEngine::captured);
    QSignalSpy failed(m_engine.get(), &CaptureEngine::failed);
    m_engine->captureUrl(m_server.url(QStringLiteral("/dying")), 20);
    QTRY_VERIFY_WITH_TIMEOUT(m_browser->isRunning(), 20000);
    const qint64 browser = m_browser->connection()->processId();
    QCOMPARE(::kill(pid_t(browser), SIGKILL), 0);
    QTRY_COMPARE_WITH_TIMEOUT(done.count() + failed.count(), 1, 30000);
    QCOMPARE(failed.count(), 1);
    QVERIFY2(failed.first().first().toString().contains(QStringLiteral("The browser closed")),
        qPrintable(failed.first().first().toString()));

    // The next page starts a new browser.
    QImage image;
    QString reason;
    const QUrl reborn = QUrl::fromLocalFile(TestPages::writePage(
        m_dir.path(), QStringLiteral("reborn.html"), TestPages::bandedPage(1024, 1000)));
    QVERIFY(capture(reborn, 20, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    const qint64 second = m_browser->connection()->processId();
    QVERIFY(second != browser);

    // A browser that dies between two pages takes the next page's context,
    // opened ahead of time, with it: the page is opened on the new browser.
    QCOMPARE(::kill(pid_t(second), SIGKILL), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!m_browser->isRunning(), 10000);
    QVERIFY(capture(reborn, 20, &image, &reason));
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
}

void TestPageCapturer::browserStartsWhateverTheTemporaryFolder()
{
    if (!m_browser)
        QSKIP("Only the Chromium engine has a browser process of its own");
    // The browser's socket under a temporary folder this long would not fit a
    // socket's address; one that does not exist it cannot write to.
    const QString longFolder = m_dir.filePath(QString(ChromiumBrowser::MaxTempFolderBytes, 'x'));
    QVERIFY(QDir().mkpath(longFolder));
    const QByteArray before = qgetenv("TMPDIR");
    const auto restore = qScopeGuard([&] { qputenv("TMPDIR", before); });
    for (const QString& folder : { longFolder, m_dir.filePath(QStringLiteral("none")) }) {
        qputenv("TMPDIR", QFile::encodeName(folder));
        ChromiumBrowser browser(m_browser->executable());
        QString error = QStringLiteral("no answer");
        browser.whenReady([&error](const QString& reason) { error = reason; });
        QTRY_VERIFY_WITH_TIMEOUT(error != QStringLiteral("no answer"), 20000);
        QVERIFY2(error.isEmpty(), qPrintable(folder + QStringLiteral(": ") + error));
    }
}

void TestPageCapturer::pageDroppedWhileOpeningLeavesNoContext()
{
    if (!m_browser)
        QSKIP("Only the Chromium engine opens pages in browser contexts");
    bool ready = false;
    m_browser->whenReady([&](const QString&) { ready = true; });
    QTRY_VERIFY_WITH_TIMEOUT(ready, 30000);
    QVERIFY(m_browser->isRunning());
    CdpConnection* connection = m_browser->connection();
    // The browser's own count; -1 when it does not answer.
    const auto contexts = [connection]() -> int {
        int count = -1;
        bool answered = false;
        connection->send(QStringLiteral("Target.getBrowserContexts"), {}, QString(),
            [&](const QJsonObject& result, const QString&) {
                count = int(result.value(QStringLiteral("browserContextIds")).toArray().size());
                answered = true;
            });
        return QTest::qWaitFor([&] { return answered; }, 10000) ? count : -1;
    };
    const int before = contexts();
    QVERIFY(before >= 0);
    // Each page goes before the browser has answered for its context.
    for (int i = 0; i < 3; ++i) {
        auto page = std::make_unique<ChromiumPage>(m_browser.get());
        page->open(1024, 768, 1, [](const QString&) {});
    }
    QTRY_COMPARE_WITH_TIMEOUT(contexts(), before, 10000);
}

QTEST_MAIN(TestPageCapturer)
#include "tst_pagecapturer.moc"
