#include "core/settings/inifile.h"
#include "engine/chromium/chromiumbrowser.h"
#include "engine/chromium/chromiumcapturer.h"
#include "engine/qtwebengine/pagecapturer.h"
#include "engine/queue/conversionjob.h"
#include "engine/setup/enginesetup.h"
#include "testhttpserver.h"
#include "testpages.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPdfDocument>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

// The colour of the secret page: a capture that shows it has leaked it.
const QColor SecretColour(255, 0, 255);
// The colour of the page's own frame, which must show.
const QColor OwnFrameColour(0, 255, 0);
const QString SecretMarker = QStringLiteral("SECRETMARKER");
const QString OwnFrameMarker = QStringLiteral("OWNFRAME");

// Answers every request with the same raw bytes and closes the connection: for
// answers the test HTTP server cannot give (a body shorter than it claims, a
// login demanded, an attachment).
class RawReplyServer : public QObject
{
public:
    bool start(const QByteArray& reply)
    {
        m_reply = reply;
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    if (!socket->readAll().contains("\r\n\r\n")
                        || socket->property("answered").toBool())
                        return;
                    socket->setProperty("answered", true);
                    socket->write(m_reply);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        return m_server.listen(QHostAddress::LocalHost, 0);
    }
    QUrl url() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/page").arg(m_server.serverPort()));
    }

private:
    QTcpServer m_server;
    QByteArray m_reply;
};

// A gzip answer of `sentBytes` that unpacks to about a thousand times as much: a
// page of tiny elements, each chunk of it deflated on its own (a full flush), so
// that one compressed chunk repeated is a valid stream of any length. It never
// ends: no page is meant to get that far.
QByteArray compressionBomb(qint64 sentBytes)
{
    const QByteArray head = "<!DOCTYPE html><html><body>";
    const QByteArray chunk = QByteArray("<i>a</i>").repeated(128 * 1024);
    z_stream z {};
    if (deflateInit2(&z, 9, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return QByteArray();
    const auto deflated = [&z](const QByteArray& input) {
        QByteArray out(int(deflateBound(&z, uLong(input.size()))) + 64, '\0');
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.constData()));
        z.avail_in = uInt(input.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(out.size());
        deflate(&z, Z_FULL_FLUSH);
        out.truncate(out.size() - qsizetype(z.avail_out));
        return out;
    };
    QByteArray body = deflated(head);
    const QByteArray repeated = deflated(chunk);
    deflateEnd(&z);
    while (body.size() < sentBytes)
        body += repeated;
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\n"
           "Connection: close\r\n\r\n"
        + body;
}

bool hasColour(const QImage& image, const QColor& colour)
{
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) < 16 && qAbs(c.green() - colour.green()) < 16
                && qAbs(c.blue() - colour.blue()) < 16)
                return true;
        }
    }
    return false;
}

} // namespace

// Pages written to do harm: to read the user's files into the output, to hang
// the converter, to fail it for no reason, or to fail it without saying why.
class TestHostilePages : public QObject
{
    Q_OBJECT
public:
    static void initMain() { PrepareEngineEnvironment(); }

private slots:
    // Every case on both engines.
    void initTestCase_data();
    void initTestCase();
    void init();
    void localPageShowsNoFileOutsideItsFolder_data();
    void localPageShowsNoFileOutsideItsFolder();
    void failuresAreNamedInWords_data();
    void failuresAreNamedInWords();
    void inputsThatAreNoFilesAreRefusedAtOnce();
    void emptyPageIsWrittenBlank();
    void popupsAndEndlessScriptsEndInTime();
    void pictureLimitHoldsForPicturesOnly();
    void compressionBombEndsAtTheMemoryLimit();

private:
    ConversionResult convert(const QString& address, const QString& format);
    QString outputFile() const;

    QTemporaryDir m_root;
    QString m_site;
    QString m_settings;
    QString m_outFolder;
    TestHttpServer m_server;
    PageCapturer m_qt;
    std::unique_ptr<ChromiumBrowser> m_browser;
    std::unique_ptr<ChromiumCapturer> m_chromium;
    CaptureEngine* m_engine = nullptr;
    int m_run = 0;
};

void TestHostilePages::initTestCase_data()
{
    QTest::addColumn<QString>("engine");
    QTest::newRow("Qt WebEngine") << "qt";
    QTest::newRow("Chromium") << "chromium";
}

void TestHostilePages::initTestCase()
{
    if (const QString chromium = ChromiumBrowser::find(); !chromium.isEmpty()) {
        m_browser = std::make_unique<ChromiumBrowser>(chromium);
        m_chromium = std::make_unique<ChromiumCapturer>(m_browser.get());
    }
    QVERIFY(m_root.isValid());
    QVERIFY(m_server.start());
    const QDir root(m_root.path());
    QVERIFY(
        root.mkpath(QStringLiteral("outside/listing")) && root.mkpath(QStringLiteral("site/sub")));
    m_site = root.filePath(QStringLiteral("site"));
    const QString secretPage = TestPages::writePage(root.filePath(QStringLiteral("outside")),
        QStringLiteral("secret.html"),
        QStringLiteral("<html><body style=\"background:%1\">%2</body></html>")
            .arg(SecretColour.name(), SecretMarker)
            .toUtf8());
    // Read as a script, its first word becomes the error "SECRETMARKER is not defined".
    const QString secretText = TestPages::writePage(root.filePath(QStringLiteral("outside")),
        QStringLiteral("secret.txt"), SecretMarker.toUtf8());
    // A folder's listing would show this name.
    QVERIFY(!TestPages::writePage(root.filePath(QStringLiteral("outside/listing")),
        SecretMarker + QStringLiteral(".txt"), "x")
                 .isEmpty());
    TestPages::writePage(m_site + QStringLiteral("/sub"), QStringLiteral("data.json"),
        QStringLiteral("{\"%1\": 1}").arg(SecretMarker).toUtf8());
    TestPages::writePage(m_site + QStringLiteral("/sub"), QStringLiteral("own.html"),
        QStringLiteral("<html><body style=\"background:%1\">%2</body></html>")
            .arg(OwnFrameColour.name(), OwnFrameMarker)
            .toUtf8());
    QVERIFY(QFile::link(secretPage, m_site + QStringLiteral("/secret.html")));
    QVERIFY(QFile::link(secretText, m_site + QStringLiteral("/secret.js")));
    QVERIFY(QFile::link(
        root.filePath(QStringLiteral("outside/listing")), m_site + QStringLiteral("/listing")));
    QVERIFY(QFile::link(QStringLiteral("/"), m_site + QStringLiteral("/root")));
    QVERIFY(::symlink(QFile::encodeName(secretPage).constData(),
                (QFile::encodeName(m_site) + "/\xff").constData())
        == 0);
    QVERIFY(::symlink(QFile::encodeName(secretText).constData(),
                (QFile::encodeName(m_site) + "/\xfe").constData())
        == 0);
    // The page's script copies whatever its frames show, and every script error,
    // into the page itself, where every output format would carry it.
    const QString frame = QStringLiteral(
        "<iframe src=\"%1\" style=\"width:200px;height:100px;border:0\"></iframe>");
    const QString body
        = QStringLiteral(
              "<script>window.onerror = function (m) { log('error:' + m); };"
              "function log(s) { document.getElementById('log').textContent += s + ' | '; }"
              "window.onload = function () {"
              " document.querySelectorAll('iframe, object').forEach(function (f) {"
              "  try { var d = f.contentDocument; log('frame:' + (d && d.body ? d.body.innerText : "
              "'')); }"
              "  catch (e) { log('frame:blocked'); } }); };</script>"
              "<p id=\"log\"></p>")
        + frame.arg(QStringLiteral("sub/own.html")) + frame.arg(QStringLiteral("secret.html"))
        + frame.arg(QStringLiteral("listing/")) + frame.arg(QStringLiteral("root/"))
        + frame.arg(QStringLiteral("sub/../../outside/secret.html"))
        // Links whose names are no UTF-8 (see below).
        + frame.arg(QStringLiteral("%FF")) + frame.arg(QStringLiteral("sub/data.json"))
        + QStringLiteral("<script src=\"%FE\"></script>")
        + QStringLiteral("<object data=\"secret.html\" type=\"text/html\" "
                         "style=\"width:200px;height:100px\"></object>"
                         "<svg width=\"220\" height=\"120\"><foreignObject width=\"210\" "
                         "height=\"110\"><iframe xmlns=\"http://www.w3.org/1999/xhtml\" "
                         "src=\"secret.html\" style=\"width:200px;height:100px;border:0\">"
                         "</iframe></foreignObject></svg>"
                         "<script src=\"secret.js\"></script><script src=\"%1\"></script>")
              .arg(QUrl::fromLocalFile(secretText).toString());
    QVERIFY(!TestPages::writePage(
        m_site, QStringLiteral("page.html"), TestPages::simplePage(QStringLiteral("hostile"), body))
                 .isEmpty());
}

void TestHostilePages::init()
{
    QFETCH_GLOBAL(QString, engine);
    m_engine
        = engine == QLatin1String("qt") ? static_cast<CaptureEngine*>(&m_qt) : m_chromium.get();
    if (!m_engine)
        QSKIP("No Chromium on this system");
    ++m_run;
    m_outFolder = m_root.filePath(QStringLiteral("out%1").arg(m_run));
    const QString app = m_root.filePath(QStringLiteral("app%1").arg(m_run));
    QVERIFY(QDir().mkpath(app));
    m_settings = QDir(app).filePath(QStringLiteral("settings.dat"));
    QVERIFY(WriteSetting(
        m_settings, QStringLiteral("set"), QStringLiteral("outputfolder"), m_outFolder, nullptr));
    QVERIFY(WriteSetting(m_settings, QStringLiteral("set"), QStringLiteral("timeout"),
        QStringLiteral("10"), nullptr));
}

ConversionResult TestHostilePages::convert(const QString& address, const QString& format)
{
    ConversionRequest request;
    request.address = address;
    request.applicationFolder = QFileInfo(m_settings).path();
    request.settingsFile = m_settings;
    request.formatOverride = format;
    ConversionJob job(request, m_engine);
    QSignalSpy finished(&job, &ConversionJob::finished);
    job.start();
    ConversionResult result;
    result.reason = QStringLiteral("no answer");
    if (finished.wait(120000) && finished.count() == 1)
        result = finished.first().first().value<ConversionResult>();
    return result;
}

QString TestHostilePages::outputFile() const
{
    const QStringList files = QDir(m_outFolder).entryList(QDir::Files);
    return files.size() == 1 ? QDir(m_outFolder).filePath(files.first()) : QString();
}

void TestHostilePages::localPageShowsNoFileOutsideItsFolder_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("PNG") << "PNG";
    QTest::newRow("PDF") << "PDF";
    QTest::newRow("TXT") << "TXT";
}

void TestHostilePages::localPageShowsNoFileOutsideItsFolder()
{
    // Frames, an object and a frame inside SVG reach the secret page and a folder
    // through links in the page's folder and through ".."; scripts report the
    // first word of a secret file in their error. The page's own frame shows.
    QFETCH(QString, format);
    const ConversionResult result = convert(m_site + QStringLiteral("/page.html"), format);
    QVERIFY2(result.ok, qPrintable(result.reason));
    QFETCH_GLOBAL(QString, engine);
    // A frame of a file that is no page is left empty, and the remark says so.
    if (engine == QLatin1String("chromium"))
        QVERIFY2(result.reason.contains(QStringLiteral("a frame showing data.json was left empty")),
            qPrintable(result.reason));
    const QString file = outputFile();
    QVERIFY2(!file.isEmpty(), qPrintable(QDir(m_outFolder).entryList().join(',')));
    QString text;
    if (format == QLatin1String("PNG")) {
        const QImage image(file);
        QVERIFY(!image.isNull());
        QVERIFY(hasColour(image, OwnFrameColour));
        QVERIFY(!hasColour(image, SecretColour));
        return;
    }
    if (format == QLatin1String("PDF")) {
        QPdfDocument pdf;
        QCOMPARE(pdf.load(file), QPdfDocument::Error::None);
        for (int i = 0; i < pdf.pageCount(); ++i)
            text += pdf.getAllText(i).text();
    } else {
        QFile txt(file);
        QVERIFY(txt.open(QIODevice::ReadOnly));
        text = QString::fromUtf8(txt.readAll());
    }
    // The page's own frame shows in the PDF; its script copies the frame's text
    // into the page only where local files are one origin (Qt WebEngine), which
    // is also the only engine where a frame could be read that way.
    if (format == QLatin1String("PDF") || engine == QLatin1String("qt"))
        QVERIFY2(text.contains(OwnFrameMarker), qPrintable(text));
    QVERIFY2(!text.contains(SecretMarker), qPrintable(text));
    // The listing of "/" names its folders.
    QVERIFY2(!text.contains(QStringLiteral("proc")), qPrintable(text));
}

void TestHostilePages::failuresAreNamedInWords_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("reason");
    QTest::newRow("download") << QByteArray(
        "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
        "Content-Disposition: attachment; filename=\"a.bin\"\r\n"
        "Content-Length: 4\r\nConnection: close\r\n\r\nabcd")
                              << "The address is a download, not a page";
    QTest::newRow("file of a type no browser shows")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\n"
                      "Content-Length: 4\r\nConnection: close\r\n\r\nabcd")
        << "The address is a download, not a page";
    QTest::newRow("no content") << QByteArray(
        "HTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n")
                                << "The server sent no page (HTTP 204 No Content)";
    QTest::newRow("login") << QByteArray("HTTP/1.1 401 Unauthorized\r\n"
                                         "WWW-Authenticate: Basic realm=\"x\"\r\n"
                                         "Content-Length: 0\r\nConnection: close\r\n\r\n")
                           << "HTTP 401 Unauthorized (the page needs a login)";
    QTest::newRow("redirect to a local file")
        << QByteArray("HTTP/1.1 302 Found\r\nLocation: file:///etc/hostname\r\n"
                      "Content-Length: 0\r\nConnection: close\r\n\r\n")
        << "Redirected to a local file, which is not allowed";
    QTest::newRow("body cut short")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 100000\r\n"
                      "Connection: close\r\n\r\n<html><body>part")
        << "The connection closed before the page was complete";
}

void TestHostilePages::failuresAreNamedInWords()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, reason);
    QFETCH_GLOBAL(QString, engine);
    // Qt WebEngine reports an answer without content as it reports a download, and
    // gives no status with it.
    if (engine == QLatin1String("qt") && reason.contains(QStringLiteral("HTTP 204")))
        QSKIP("Qt WebEngine cannot tell an empty answer from a download");
    RawReplyServer server;
    QVERIFY(server.start(reply));
    const ConversionResult result = convert(server.url().toString(), QStringLiteral("PNG"));
    QVERIFY(!result.ok);
    QCOMPARE(result.reason, reason);
    QVERIFY(QDir(m_outFolder).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

void TestHostilePages::inputsThatAreNoFilesAreRefusedAtOnce()
{
    // The engine would wait for a FIFO's writer for ever and show a folder as a
    // listing; a page that sends itself elsewhere on the disk is blocked.
    const QString fifo = m_root.filePath(QStringLiteral("fifo%1.html").arg(m_run));
    QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    ConversionResult result = convert(fifo, QStringLiteral("TXT"));
    QCOMPARE(result.reason, fifo + QStringLiteral(" is not a regular file"));
    result = convert(m_site, QStringLiteral("TXT"));
    QCOMPARE(result.reason, m_site + QStringLiteral(" is a folder, not a page"));
    // A page that moves itself elsewhere on the disk fails, however it moves;
    // to a page in its own folder it may.
    const QString secret
        = QUrl::fromLocalFile(m_root.filePath(QStringLiteral("outside/secret.html"))).toString();
    const QStringList moves {
        QStringLiteral("<script>location.replace('%1');</script>").arg(secret),
        QStringLiteral("<meta http-equiv=\"refresh\" content=\"0; url=%1\">").arg(secret),
        QStringLiteral("<script>location.href = 'sub/own.html';</script>"),
    };
    for (const QString& move : moves) {
        const QString away = TestPages::writePage(m_site, QStringLiteral("away.html"),
            TestPages::simplePage(QStringLiteral("away"), move));
        result = convert(away, QStringLiteral("TXT"));
        if (move.contains(QLatin1String("own.html"))) {
            QVERIFY2(result.ok, qPrintable(result.reason));
            QFile txt(outputFile());
            QVERIFY(txt.open(QIODevice::ReadOnly));
            QVERIFY(txt.readAll().contains(OwnFrameMarker.toUtf8()));
            continue;
        }
        // Qt WebEngine keeps a page whose refresh it blocked: it is captured as it is.
        QFETCH_GLOBAL(QString, engine);
        if (result.ok && engine == QLatin1String("qt") && move.contains(QLatin1String("refresh"))) {
            QFile txt(outputFile());
            QVERIFY(txt.open(QIODevice::ReadOnly));
            QVERIFY(!txt.readAll().contains(SecretMarker.toUtf8()));
            QVERIFY(txt.remove());
            continue;
        }
        QVERIFY2(!result.ok, qPrintable(move));
        QCOMPARE(result.reason,
            QStringLiteral("The page tried to open a local file outside its folder"));
        QVERIFY(QDir(m_outFolder).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}

void TestHostilePages::emptyPageIsWrittenBlank()
{
    // A browser shows an empty answer as a blank page.
    m_server.route(QStringLiteral("/empty"), TestHttpServer::page(QByteArray()));
    for (const QString& format : { QStringLiteral("TXT"), QStringLiteral("PNG") }) {
        const ConversionResult result
            = convert(m_server.url(QStringLiteral("/empty")).toString(), format);
        QVERIFY2(result.ok, qPrintable(format + QLatin1String(": ") + result.reason));
    }
}

void TestHostilePages::popupsAndEndlessScriptsEndInTime()
{
    // Windows a page opens are refused without being made; a script that never
    // ends costs the time-out and the margin, no more.
    m_server.route(QStringLiteral("/popups"),
        TestHttpServer::page(TestPages::simplePage(QStringLiteral("popups"),
            QStringLiteral(
                "<p id=\"n\"></p><script>var made = 0;"
                "for (var i = 0; i < 500; ++i) if (window.open('about:blank', 'w' + i)) ++made;"
                "document.getElementById('n').textContent = 'opened ' + made;</script>"))));
    m_server.route(QStringLiteral("/endless"),
        TestHttpServer::page(TestPages::simplePage(
            QStringLiteral("endless"), QStringLiteral("<script>for (;;) {}</script>"))));
    QElapsedTimer clock;
    clock.start();
    ConversionResult result
        = convert(m_server.url(QStringLiteral("/popups")).toString(), QStringLiteral("TXT"));
    QVERIFY2(result.ok, qPrintable(result.reason));
    QFile txt(outputFile());
    QVERIFY(txt.open(QIODevice::ReadOnly));
    QVERIFY(txt.readAll().contains("opened 0"));
    QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
    clock.restart();
    result = convert(m_server.url(QStringLiteral("/endless")).toString(), QStringLiteral("TXT"));
    QVERIFY(!result.ok);
    QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
}

void TestHostilePages::pictureLimitHoldsForPicturesOnly()
{
    // Half a million pixels tall: no picture holds it, but its text is written.
    m_server.route(QStringLiteral("/tall"),
        TestHttpServer::page(TestPages::simplePage(QStringLiteral("tall"),
            QStringLiteral("<p>top</p><div style=\"height:500000px\"></div><p>bottom</p>"))));
    const QString address = m_server.url(QStringLiteral("/tall")).toString();
    ConversionResult result = convert(address, QStringLiteral("PNG"));
    QVERIFY(result.reason.startsWith(QStringLiteral("The page is too large to capture")));
    result = convert(address, QStringLiteral("TXT"));
    QVERIFY2(result.ok, qPrintable(result.reason));
    // The text is whole: no remark says the output was cut.
    QVERIFY2(!result.reason.contains(QStringLiteral("pixels")), qPrintable(result.reason));
    QFile txt(outputFile());
    QVERIFY(txt.open(QIODevice::ReadOnly));
    QVERIFY(txt.readAll().contains("bottom"));
    // Within the limits of any capture but taller than a JPEG holds: the page
    // fails as soon as it is measured, with the reason (the encoder's own refusal
    // would name the file it could not write).
    m_server.route(QStringLiteral("/jpeg-tall"),
        TestHttpServer::page(TestPages::simplePage(
            QStringLiteral("tall"), QStringLiteral("<div style=\"height:70000px\"></div>"))));
    result = convert(m_server.url(QStringLiteral("/jpeg-tall")).toString(), QStringLiteral("JPG"));
    QCOMPARE(result.reason,
        QStringLiteral("JPG cannot hold an image taller than 65,500 px; choose PNG or TIFF"));
}

void TestHostilePages::compressionBombEndsAtTheMemoryLimit()
{
    // 5 MB sent, about 5 GB of elements unpacked: the page fails once its renderer
    // holds more than the limit, long before its time-out.
    const QByteArray bomb = compressionBomb(5 * 1024 * 1024);
    QVERIFY(!bomb.isEmpty());
    RawReplyServer server;
    QVERIFY(server.start(bomb));
    QVERIFY(WriteSetting(m_settings, QStringLiteral("set"), QStringLiteral("timeout"),
        QStringLiteral("90"), nullptr));
    QElapsedTimer clock;
    clock.start();
    const ConversionResult result = convert(server.url().toString(), QStringLiteral("PNG"));
    qInfo("bomb ended after %lld ms: %s", clock.elapsed(), qPrintable(result.reason));
    if (m_engine == m_chromium.get())
        qInfo("peak renderer memory %lld MB", m_chromium->peakRendererBytes() >> 20);
    QCOMPARE(result.reason, QStringLiteral("The page took more than 2048 MB of memory"));
    QVERIFY(clock.elapsed() < 90000);
    QVERIFY(QDir(m_outFolder).entryList(QDir::Files | QDir::Hidden).isEmpty());
    // The next page converts.
    m_server.route(QStringLiteral("/after"),
        TestHttpServer::page(TestPages::simplePage(QStringLiteral("after"), QStringLiteral("ok"))));
    const ConversionResult next
        = convert(m_server.url(QStringLiteral("/after")).toString(), QStringLiteral("TXT"));
    QVERIFY2(next.ok, qPrintable(next.reason));
}

QTEST_MAIN(TestHostilePages)
#include "tst_hostilepages.moc"
