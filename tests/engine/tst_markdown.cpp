#include "engine/capture/markdownscript.h"
#include "engine/chromium/chromiumbrowser.h"
#include "engine/chromium/chromiumcapturer.h"
#include "engine/qtwebengine/pagecapturer.h"
#include "engine/setup/enginesetup.h"
#include "testhttpserver.h"

#include <QFile>
#include <QSignalSpy>
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

class TestMarkdown : public QObject
{
    Q_OBJECT
public:
    static void initMain() { PrepareEngineEnvironment(); }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void pageContentComesOutAsReviewed();

private:
    QString markdown(bool keepAll);

    TestHttpServer m_server;
    std::unique_ptr<ChromiumBrowser> m_browser;
    std::unique_ptr<CaptureEngine> m_engine;
};

void TestMarkdown::initTestCase()
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

void TestMarkdown::cleanupTestCase()
{
    m_engine.reset();
    m_browser.reset();
}

QString TestMarkdown::markdown(bool keepAll)
{
    CaptureOptions options;
    options.consentSelectors = { QStringLiteral("#cookie-law") };
    m_engine->setOptions(options);
    QSignalSpy captured(m_engine.get(), &CaptureEngine::captured);
    QSignalSpy failed(m_engine.get(), &CaptureEngine::failed);
    m_engine->captureUrl(m_server.url(QStringLiteral("/doc/page.html")), 30);
    if (!QTest::qWaitFor([&] { return captured.count() + failed.count() > 0; }, 60000)
        || captured.isEmpty())
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

void TestMarkdown::pageContentComesOutAsReviewed()
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

QTEST_MAIN(TestMarkdown)
#include "tst_markdown.moc"
