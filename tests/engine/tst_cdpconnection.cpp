#include "engine/chromium/chromiumbrowser.h"
#include "engine/protocol/cdpconnection.h"
#include "engine/protocol/cdptransport.h"

#include <QFile>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

// Replays what a browser would send, in whatever pieces the test chooses, and
// keeps what was written to it.
class FakeTransport : public CdpTransport
{
public:
    using CdpTransport::CdpTransport;
    void write(const QByteArray& message) override
    {
        written << QJsonDocument::fromJson(message).object();
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    void feed(const QByteArray& bytes) { deliver(bytes.constData(), bytes.size()); }
    void hangUp()
    {
        m_open = false;
        emit closed(QStringLiteral("The browser closed"));
    }
    int lastId() const { return written.isEmpty() ? 0 : written.last().value("id").toInt(); }

    QList<QJsonObject> written;

private:
    bool m_open = true;
};

QByteArray frame(const QByteArray& json)
{
    return json + '\0';
}

QByteArray answer(int id, const QByteArray& result, const QByteArray& session = {})
{
    QByteArray json = "{\"id\":" + QByteArray::number(id) + ",\"result\":" + result;
    if (!session.isEmpty())
        json += ",\"sessionId\":\"" + session + '"';
    return frame(json + '}');
}

QByteArray attachedEvent(const QByteArray& session, const QByteArray& target)
{
    return frame("{\"method\":\"Target.attachedToTarget\",\"params\":{\"sessionId\":\"" + session
        + "\",\"targetInfo\":{\"targetId\":\"" + target + "\"}}}");
}

// What a reply brought: its result or its error.
struct Outcome
{
    bool answered = false;
    QJsonObject result;
    CdpError error;
};

CdpConnection::Reply record(Outcome* outcome)
{
    return [outcome](const QJsonObject& result, const CdpError& error) {
        outcome->answered = true;
        outcome->result = result;
        outcome->error = error;
    };
}

} // namespace

// The protocol client without a browser: the reader's framing, the sessions'
// callbacks and their time limits, over a fake transport; and a browser process
// that starts but never answers, or closes its end of the pipe.
class TestCdpConnection : public QObject
{
    Q_OBJECT

private slots:
    void readsMessagesWhateverTheirPieces();
    void boundsWhatOneMessageMayHold();
    void failsTheCommandOfAnAnswerThatDoesNotParse();
    void failsCallbacksOfSessionsThatEnd();
    void timesCommandsOut();
    void reportsScriptErrorsByKind();
    void replacesABrowserThatNeverAnswers();
    void survivesABrowserThatClosesItsPipe();

private:
    FakeTransport* open(CdpConnection* connection, qsizetype maxMessage = 1 << 20)
    {
        auto transport = std::make_unique<FakeTransport>(maxMessage);
        FakeTransport* fake = transport.get();
        connection->open(std::move(transport));
        return fake;
    }
};

void TestCdpConnection::readsMessagesWhateverTheirPieces()
{
    // An answer, an event of a session, and an answer with a bulk payload.
    const QByteArray picture(100000, 'A');
    const QByteArray stream = answer(1, "{\"value\":\"a\\\"b\"}")
        + frame("{\"method\":\"Page.loadEventFired\",\"params\":{\"timestamp\":1},"
                "\"sessionId\":\"S\"}")
        + answer(2, "{\"data\":\"" + picture + "\"}");
    const auto check = [&](const QList<CdpMessage>& messages, const QString& where) {
        QVERIFY2(messages.size() == 3, qPrintable(where));
        QCOMPARE(messages[0].id, 1);
        QCOMPARE(messages[0].body.value("value").toString(), QStringLiteral("a\"b"));
        QCOMPARE(messages[1].method, QStringLiteral("Page.loadEventFired"));
        QCOMPARE(messages[1].sessionId, QStringLiteral("S"));
        QCOMPARE(messages[2].id, 2);
        QVERIFY(messages[2].unreadable.isEmpty());
        // Kept out of the JSON, still encoded.
        QCOMPARE(messages[2].bulk, picture);
        QVERIFY(messages[2].body.value("data").toString().isEmpty());
    };
    // Split at every byte of the first two messages, the rest in one piece.
    const qsizetype small = stream.indexOf(answer(2, "{").left(8));
    for (qsizetype at = 0; at <= small; ++at) {
        CdpMessageReader reader;
        QList<CdpMessage> messages = reader.append(stream.constData(), at);
        messages += reader.append(stream.constData() + at, stream.size() - at);
        check(messages, QStringLiteral("split at %1").arg(at));
    }
    // One byte a read, as a slow pipe may give them.
    CdpMessageReader reader;
    QList<CdpMessage> messages;
    for (const char c : stream)
        messages += reader.append(&c, 1);
    check(messages, QStringLiteral("byte by byte"));
    QCOMPARE(reader.buffered(), 0);
}

void TestCdpConnection::boundsWhatOneMessageMayHold()
{
    CdpConnection connection;
    FakeTransport* fake = open(&connection, 1000);
    fake->feed(attachedEvent("S", "T"));
    CdpSession* session = connection.session(QStringLiteral("S"));
    QVERIFY(session);
    Outcome big;
    session->send(QStringLiteral("Runtime.evaluate"), {}, record(&big));
    const int id = fake->lastId();
    QSignalSpy detached(session, &CdpSession::detached);
    // An answer too long fails its command; an event too long, its page. The
    // reader never holds either, and what follows is read as before.
    const QByteArray text(5000, 'x');
    fake->feed(answer(id, "{\"text\":\"" + text + "\"}", "S").left(3000));
    fake->feed(answer(id, "{\"text\":\"" + text + "\"}", "S").mid(3000));
    QVERIFY(big.answered);
    QCOMPARE(big.error.kind, CdpError::Kind::BadReply);
    QVERIFY2(big.error.message.contains("larger than"), qPrintable(big.error.message));
    QCOMPARE(detached.size(), 0);
    fake->feed(frame("{\"method\":\"Network.dataReceived\",\"params\":{\"x\":\"" + text
        + "\"},\"sessionId\":\"S\"}"));
    QCOMPARE(detached.size(), 1);
    QCOMPARE(detached[0][0].value<CdpError>().kind, CdpError::Kind::BadReply);
    Outcome next;
    connection.send(QStringLiteral("Browser.getVersion"), {}, QString(), record(&next));
    fake->feed(answer(fake->lastId(), "{\"product\":\"Chrome/156\"}"));
    QCOMPARE(next.result.value("product").toString(), QStringLiteral("Chrome/156"));
}

void TestCdpConnection::failsTheCommandOfAnAnswerThatDoesNotParse()
{
    CdpConnection connection;
    FakeTransport* fake = open(&connection);
    Outcome broken;
    Outcome after;
    connection.send(QStringLiteral("Browser.getVersion"), {}, QString(), record(&broken));
    const int id = fake->lastId();
    connection.send(QStringLiteral("Target.getTargets"), {}, QString(), record(&after));
    fake->feed(frame("{\"id\":" + QByteArray::number(id) + ",\"result\":{\"product\":tru}"));
    QVERIFY(broken.answered);
    QCOMPARE(broken.error.kind, CdpError::Kind::BadReply);
    QVERIFY(!after.answered);
    fake->feed(answer(id + 1, "{}"));
    QVERIFY(after.answered && after.error.isEmpty());
    QCOMPARE(connection.pendingCount(), 0);
}

void TestCdpConnection::failsCallbacksOfSessionsThatEnd()
{
    CdpConnection connection;
    FakeTransport* fake = open(&connection);
    // 50 pages whose targets close while a command of each is under way: the
    // browser never answers those, and nothing but the client fails them.
    QList<Outcome> outcomes(50);
    QList<int> ids;
    for (int i = 0; i < 50; ++i) {
        const QByteArray session = "S" + QByteArray::number(i);
        fake->feed(attachedEvent(session, "T" + QByteArray::number(i)));
        connection.send(QStringLiteral("Page.captureScreenshot"), {}, QString::fromLatin1(session),
            record(&outcomes[i]));
        ids << fake->lastId();
    }
    QCOMPARE(connection.sessionCount(), 50);
    QCOMPARE(connection.pendingCount(), 50);
    for (int i = 0; i < 50; ++i) {
        const QByteArray detach = "{\"method\":\"Target.detachedFromTarget\",\"params\":{"
                                  "\"sessionId\":\"S"
            + QByteArray::number(i) + "\"}}";
        // Half of them say so, the other half's targets are reported destroyed.
        fake->feed(frame(i % 2 ? detach
                               : "{\"method\":\"Target.targetDestroyed\",\"params\":{"
                                 "\"targetId\":\"T"
                    + QByteArray::number(i) + "\"}}"));
    }
    QCOMPARE(connection.pendingCount(), 0);
    QCOMPARE(connection.sessionCount(), 0);
    for (const Outcome& outcome : std::as_const(outcomes)) {
        QVERIFY(outcome.answered);
        QCOMPARE(outcome.error.kind, CdpError::Kind::TargetClosed);
    }
    // Answers that come after all the same find nobody, and run nothing twice.
    for (int i = 0; i < 50; ++i)
        outcomes[i].answered = false;
    for (int i = 0; i < 50; ++i)
        fake->feed(answer(ids[i], "{}", "S" + QByteArray::number(i)));
    for (const Outcome& outcome : std::as_const(outcomes))
        QVERIFY(!outcome.answered);

    // A callback whose owner went never runs; commands of a crashed renderer fail.
    fake->feed(attachedEvent("P", "TP"));
    CdpSession* page = connection.session(QStringLiteral("P"));
    auto owner = std::make_unique<QObject>();
    bool ran = false;
    page->send(
        QStringLiteral("Runtime.evaluate"), {},
        [&ran](const QJsonObject&, const CdpError&) { ran = true; }, owner.get());
    const int owned = fake->lastId();
    Outcome crashed;
    page->send(QStringLiteral("Page.navigate"), {}, record(&crashed));
    owner.reset();
    fake->feed(answer(owned, "{}", "P"));
    QVERIFY(!ran);
    fake->feed(frame("{\"method\":\"Inspector.targetCrashed\",\"params\":{},\"sessionId\":\"P\"}"));
    QCOMPARE(crashed.error.kind, CdpError::Kind::TargetClosed);

    // A frame attached through a page goes with the page, reported or not.
    fake->feed(attachedEvent("Q", "TQ"));
    fake->feed(frame("{\"method\":\"Target.attachedToTarget\",\"params\":{\"sessionId\":\"F\","
                     "\"targetInfo\":{\"targetId\":\"TF\"}},\"sessionId\":\"Q\"}"));
    Outcome ofFrame;
    connection.session(QStringLiteral("F"))
        ->send(QStringLiteral("Network.enable"), {}, record(&ofFrame));
    fake->feed(
        frame("{\"method\":\"Target.detachedFromTarget\",\"params\":{\"sessionId\":\"Q\"}}"));
    QCOMPARE(ofFrame.error.kind, CdpError::Kind::TargetClosed);
    QVERIFY(!connection.session(QStringLiteral("F")));

    // The browser going (its pipe closed mid-message) fails what is left, of
    // the browser and of its pages, and ends their sessions.
    Outcome browser;
    Outcome ofPage;
    connection.send(QStringLiteral("Target.getTargets"), {}, QString(), record(&browser));
    page->send(QStringLiteral("Page.reload"), {}, record(&ofPage));
    QSignalSpy closed(&connection, &CdpConnection::closed);
    fake->feed(QByteArray("{\"id\":999,\"res"));
    fake->hangUp();
    QCOMPARE(closed.size(), 1);
    QCOMPARE(browser.error.kind, CdpError::Kind::BrowserClosed);
    QCOMPARE(ofPage.error.kind, CdpError::Kind::BrowserClosed);
    QCOMPARE(connection.pendingCount(), 0);
    QCOMPARE(connection.sessionCount(), 0);
    // Later commands are answered too, from the event loop.
    Outcome late;
    connection.send(QStringLiteral("Browser.getVersion"), {}, QString(), record(&late));
    QVERIFY(!late.answered);
    QTRY_VERIFY(late.answered);
    QCOMPARE(late.error.kind, CdpError::Kind::BrowserClosed);
}

void TestCdpConnection::timesCommandsOut()
{
    CdpConnection connection;
    FakeTransport* fake = open(&connection);
    fake->feed(attachedEvent("S", "T"));
    CdpSession* session = connection.session(QStringLiteral("S"));
    session->setCommandTimeout(50);
    Outcome slow;
    Outcome ownLimit;
    session->send(QStringLiteral("Page.captureScreenshot"), {}, record(&slow));
    const int id = fake->lastId();
    session->send(QStringLiteral("Runtime.evaluate"), {}, record(&ownLimit), nullptr, 60000);
    QTRY_VERIFY(slow.answered);
    QCOMPARE(slow.error.kind, CdpError::Kind::Timeout);
    QCOMPARE(slow.error.message,
        QStringLiteral("The browser did not answer Page.captureScreenshot within 1 s"));
    QVERIFY(!ownLimit.answered);
    QCOMPARE(connection.pendingCount(), 1);
    // Its late answer runs nothing.
    slow.answered = false;
    fake->feed(answer(id, "{}", "S"));
    QVERIFY(!slow.answered);
}

void TestCdpConnection::reportsScriptErrorsByKind()
{
    CdpConnection connection;
    FakeTransport* fake = open(&connection);
    Outcome navigated;
    Outcome refused;
    connection.send(QStringLiteral("Runtime.evaluate"), {}, QString(), record(&navigated));
    fake->feed(frame("{\"id\":" + QByteArray::number(fake->lastId())
        + ",\"error\":{\"code\":-32000,\"message\":\"Execution context was destroyed.\"}}"));
    QCOMPARE(navigated.error.kind, CdpError::Kind::ContextLost);
    QCOMPARE(navigated.error.message, QStringLiteral("The page navigated during its capture"));
    connection.send(QStringLiteral("Page.printToPDF"), {}, QString(), record(&refused));
    fake->feed(frame("{\"id\":" + QByteArray::number(fake->lastId())
        + ",\"error\":{\"code\":-32000,\"message\":\"Page is already being printed\"}}"));
    QCOMPARE(refused.error.kind, CdpError::Kind::Protocol);
    QCOMPARE(QString(refused.error), QStringLiteral("Page is already being printed"));
}

void TestCdpConnection::replacesABrowserThatNeverAnswers()
{
    // A "browser" that reads its commands and answers none, and notes the
    // profile folder it was given.
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("silent-browser"));
    QFile script(program);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nfor a; do case \"$a\" in --user-data-dir=*) echo \"${a#*=}\" >> \""
        + QFile::encodeName(dir.filePath(QStringLiteral("profiles"))) + "\";; esac; done\n"
        + "exec cat <&3 >/dev/null\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString run = dir.filePath(QStringLiteral("run"));
    QVERIFY(QDir().mkpath(run));
    ChromiumBrowser::setRunFolder(run);
    const auto forget = qScopeGuard([] { ChromiumBrowser::setRunFolder(QString()); });

    ChromiumBrowser browser(program);
    browser.setStartLimitSeconds(1);
    QStringList errors;
    QList<qint64> processes;
    for (int start = 0; start < 2; ++start) {
        browser.whenReady([&errors](const QString& error) { errors << error; });
        QVERIFY(browser.connection());
        processes << browser.connection()->processId();
        QTRY_COMPARE_WITH_TIMEOUT(errors.size(), start + 1, 10000);
        QCOMPARE(errors.last(), QStringLiteral("Chromium did not answer within 1 s"));
    }
    // The second page started a browser of its own.
    QVERIFY(processes[0] != processes[1]);
    QCOMPARE(browser.pendingCommands(), 0);
    QFile profiles(dir.filePath(QStringLiteral("profiles")));
    QVERIFY(profiles.open(QIODevice::ReadOnly));
    const QList<QByteArray> folders = profiles.readAll().trimmed().split('\n');
    QCOMPARE(folders.size(), 2);
    for (const QByteArray& folder : folders)
        QVERIFY2(folder.startsWith(QFile::encodeName(run) + '/'), folder.constData());
}

void TestCdpConnection::survivesABrowserThatClosesItsPipe()
{
    // A browser that closes its end of the pipe and lives on: the next write
    // meets no reader, which must end the connection, not the program.
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("deaf-browser"));
    QFile script(program);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nexec 3<&-\nprintf '{\"method\":\"Deaf\"}\\000' >&4\nexec sleep 60\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    CdpConnection connection;
    QSignalSpy events(&connection, &CdpConnection::event);
    QSignalSpy closed(&connection, &CdpConnection::closed);
    QString error;
    QVERIFY2(connection.start(program, {}, QProcessEnvironment::systemEnvironment(), &error),
        qPrintable(error));
    QTRY_COMPARE_WITH_TIMEOUT(events.size(), 1, 10000);
    Outcome outcome;
    connection.send(QStringLiteral("Browser.getVersion"), {}, QString(), record(&outcome));
    QVERIFY(!outcome.answered);
    QTRY_VERIFY_WITH_TIMEOUT(outcome.answered, 10000);
    QCOMPARE(outcome.error.kind, CdpError::Kind::BrowserClosed);
    QCOMPARE(closed.size(), 1);
    ::kill(pid_t(connection.processId()), SIGTERM);
}

QTEST_MAIN(TestCdpConnection)
#include "tst_cdpconnection.moc"
