#include "engine/chromium/networkactivity.h"

#include <QTest>

// The page's network accounting, from replayed protocol events on a clock the test
// moves.
class TestNetworkActivity : public QObject
{
    Q_OBJECT
private slots:
    void requestsThatBringNothingDoNotHoldThePage();
    void requestsWhoseBytesComeHoldThePage();
};

namespace {

struct Replay
{
    qint64 now = 1000;
    NetworkActivity network { [this] { return now; } };

    Replay() { network.restart(); }
    void event(const char* method, const QString& id, const QString& type = QString())
    {
        QJsonObject params { { QStringLiteral("requestId"), id } };
        if (!type.isEmpty())
            params.insert(QStringLiteral("type"), type);
        network.onEvent(QLatin1String(method), params, QStringLiteral("main"));
    }
    void send(const QString& id, const QString& type)
    {
        event("Network.requestWillBeSent", id, type);
    }
};

} // namespace

void TestNetworkActivity::requestsThatBringNothingDoNotHoldThePage()
{
    Replay r;
    r.send(QStringLiteral("img"), QStringLiteral("Image"));
    // Streams never hold the page, from their start on.
    r.send(QStringLiteral("events"), QStringLiteral("EventSource"));
    r.send(QStringLiteral("beacon"), QStringLiteral("Ping"));
    r.now += 100;
    QCOMPARE(r.network.quietMs(), -1);
    r.event("Network.loadingFinished", QStringLiteral("img"));
    r.now += 300;
    QCOMPARE(r.network.quietMs(), 300);
    r.event("Network.dataReceived", QStringLiteral("events"));
    QCOMPARE(r.network.quietMs(), 300);
    // A long poll holds the page while it is young, and from StalledMs without news
    // on it is quiet since then.
    r.send(QStringLiteral("poll"), QStringLiteral("XHR"));
    r.now += NetworkActivity::StalledMs - 1;
    QCOMPARE(r.network.quietMs(), -1);
    r.now += 101;
    QCOMPARE(r.network.quietMs(), 100);
    // Its answer, when it comes, is news again.
    r.event("Network.responseReceived", QStringLiteral("poll"), QStringLiteral("XHR"));
    QCOMPARE(r.network.quietMs(), -1);
    r.event("Network.loadingFinished", QStringLiteral("poll"));
    r.now += 20;
    QCOMPARE(r.network.quietMs(), 20);
    QCOMPARE(r.network.requestsStarted(), 4);
}

void TestNetworkActivity::requestsWhoseBytesComeHoldThePage()
{
    Replay r;
    // A slow picture whose bytes keep coming holds the page, until its body has
    // been coming for StreamMs: then it is a stream (a camera's endless picture).
    r.send(QStringLiteral("img"), QStringLiteral("Image"));
    r.event("Network.responseReceived", QStringLiteral("img"), QStringLiteral("Image"));
    const qint64 answered = r.now;
    while (r.now + NetworkActivity::StalledMs / 2 < answered + NetworkActivity::StreamMs) {
        r.now += NetworkActivity::StalledMs / 2;
        r.event("Network.dataReceived", QStringLiteral("img"));
        QCOMPARE(r.network.quietMs(), -1);
    }
    r.now = answered + NetworkActivity::StreamMs + 10;
    r.event("Network.dataReceived", QStringLiteral("img"));
    QCOMPARE(r.network.quietMs(), 10);
    r.event("Network.loadingFailed", QStringLiteral("img"));
    QCOMPARE(r.network.quietMs(), 10);
    // A script's streamed answer holds the page only for StalledMs after it began,
    // however steadily its bytes come.
    r.send(QStringLiteral("stream"), QStringLiteral("Fetch"));
    r.event("Network.responseReceived", QStringLiteral("stream"), QStringLiteral("Fetch"));
    for (int i = 0; i < 4; ++i) {
        r.now += NetworkActivity::StalledMs / 2;
        r.event("Network.dataReceived", QStringLiteral("stream"));
    }
    QCOMPARE(r.network.quietMs(), NetworkActivity::StalledMs);
    // A page dropped for a fresh one forgets what it had open.
    r.send(QStringLiteral("doc"), QStringLiteral("Document"));
    QCOMPARE(r.network.quietMs(), -1);
    r.network.forgetOpenRequests();
    QVERIFY(r.network.quietMs() >= 0);
}

QTEST_APPLESS_MAIN(TestNetworkActivity)
#include "tst_networkactivity.moc"
