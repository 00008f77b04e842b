#include "engine/capture/markdownscript.h"
#include "engine/chromium/chromiumbrowser.h"
#include "engine/chromium/chromiumcapturer.h"
#include "engine/qtwebengine/pagecapturer.h"
#include "engine/setup/enginesetup.h"
#include "testhttpserver.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The suite runs on the engine PAGELITH_TEST_ENGINE names: "qt", or Chromium.
bool onChromium()
{
    return qgetenv("PAGELITH_TEST_ENGINE") != "qt";
}

QByteArray dataFile(const char* name)
{
    QFile file(QStringLiteral(PAGELITH_TEST_DATA "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPageContent : public QObject
{
    Q_OBJECT
public:
    static void initMain() { PrepareEngineEnvironment(); }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void pageContentComesOutAsReviewed();
    void archiveOpensOfflineAsThePage();

private:
    bool capture(const QUrl& url, QImage* image = nullptr);
    QString markdown(bool keepAll);

    TestHttpServer m_server;
    std::unique_ptr<ChromiumBrowser> m_browser;
    std::unique_ptr<CaptureEngine> m_engine;
};

void TestPageContent::initTestCase()
{
    if (!QFile::exists(MarkdownScript::converterPath()))
        QSKIP("Turndown (node-turndown) is not installed");
    QVERIFY(m_server.start());
    if (onChromium()) {
        const QString chromium = ChromiumBrowser::find();
        if (chromium.isEmpty())
            QSKIP("No Chromium is installed: the Chromium engine is not tested");
        m_browser = std::make_unique<ChromiumBrowser>(chromium);
        m_engine = std::make_unique<ChromiumCapturer>(m_browser.get());
    } else {
        m_engine = std::make_unique<PageCapturer>();
    }
}

void TestPageContent::cleanupTestCase()
{
    m_engine.reset();
    m_browser.reset();
}

bool TestPageContent::capture(const QUrl& url, QImage* image)
{
    QSignalSpy captured(m_engine.get(), &CaptureEngine::captured);
    QSignalSpy failed(m_engine.get(), &CaptureEngine::failed);
    m_engine->captureUrl(url, 30);
    if (!QTest::qWaitFor([&] { return captured.count() + failed.count() > 0; }, 60000))
        return false;
    if (captured.isEmpty()) {
        qWarning("%s", qPrintable(failed.first().first().toString()));
        return false;
    }
    if (image)
        *image = captured.first().first().value<QImage>();
    return true;
}

QString TestPageContent::markdown(bool keepAll)
{
    CaptureOptions options;
    options.consentSelectors = { QStringLiteral("#cookie-law") };
    m_engine->setOptions(options);
    if (!capture(m_server.url(QStringLiteral("/doc/page.html"))))
        return QStringLiteral("no capture");
    QString script;
    QString error;
    if (!MarkdownScript::build(keepAll, options.consentSelectors, &script, &error))
        return error;
    QVariant value;
    bool answered = false;
    m_engine->readScriptValue(script, this, [&](const QVariant& result) {
        value = result;
        answered = true;
    });
    if (!QTest::qWaitFor([&] { return answered; }, 20000))
        return QStringLiteral("no answer");
    return value.typeId() == QMetaType::QString ? value.toString() : QStringLiteral("no text");
}

void TestPageContent::pageContentComesOutAsReviewed()
{
    m_server.route(
        QStringLiteral("/doc/page.html"), TestHttpServer::page(dataFile("markdown-page.html")));
    const QString base = m_server.url(QString()).toString();
    const QString expected
        = QString::fromUtf8(dataFile("markdown-page.md")).replace(QLatin1String("{base}"), base);
    const QString made = markdown(false);
    QVERIFY2(made == expected, qPrintable(made));
    // Everything: the page's chrome, hidden parts and banners are there, scripts
    // still are not.
    const QString all = markdown(true);
    for (const char* part :
        { "[News](", "Site name", "A hidden block.", "A paragraph hidden by its style.",
            "Related articles", "We use cookies.", "Footer text" })
        QVERIFY2(all.contains(QLatin1String(part)), part);
    QVERIFY(!all.contains(QLatin1String("document.write")));
}

void TestPageContent::archiveOpensOfflineAsThePage()
{
    QImage dot(40, 40, QImage::Format_RGB32);
    dot.fill(QColor(20, 40, 200));
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && dot.save(&buffer, "PNG"));
    TestHttpServer::Response style = TestHttpServer::page(
        "body { margin: 0; background: #3c6; } .box { width: 300px; height: 120px; "
        "background: #c36; }");
    style.contentType = "text/css";
    TestHttpServer::Response picture = TestHttpServer::page(png);
    picture.contentType = "image/png";
    m_server.route(QStringLiteral("/site/style.css"), style);
    m_server.route(QStringLiteral("/site/dot.png"), picture);
    m_server.route(QStringLiteral("/site/page.html"),
        TestHttpServer::page("<!DOCTYPE html><link rel=stylesheet href=style.css>"
                             "<div class=box></div><img src=dot.png>"));
    m_engine->setOptions(CaptureOptions());
    QImage online;
    QVERIFY(capture(m_server.url(QStringLiteral("/site/page.html")), &online));
    QByteArray archive;
    QString error;
    bool answered = false;
    m_engine->readArchive(this, [&](const QByteArray& mhtml, const QString& why) {
        archive = mhtml;
        error = why;
        answered = true;
    });
    QVERIFY(QTest::qWaitFor([&] { return answered; }, 20000));
    QVERIFY2(archive.contains("multipart/related"), qPrintable(error));
    QVERIFY(archive.contains("/site/dot.png") && archive.contains("/site/style.css"));

    // Opened by the default engine (Chromium), offline: nothing the page used can
    // be fetched again.
    if (!m_browser)
        return;
    for (const char* path : { "/site/page.html", "/site/style.css", "/site/dot.png" })
        m_server.route(QLatin1String(path), TestHttpServer::status(404));
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("page.mhtml")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(archive) == archive.size());
    file.close();
    QImage offline;
    QVERIFY(capture(QUrl::fromLocalFile(file.fileName()), &offline));
    QCOMPARE(offline.size(), online.size());
    QCOMPARE(offline.pixelColor(150, 60), QColor(0xcc, 0x33, 0x66));
    QCOMPARE(offline.pixelColor(20, 140), QColor(20, 40, 200));
    QCOMPARE(offline.pixelColor(online.width() - 40, 60), QColor(0x33, 0xcc, 0x66));
}

QTEST_MAIN(TestPageContent)
#include "tst_pagecontent.moc"
