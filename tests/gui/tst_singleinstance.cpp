// A second start of the desktop program: it hands its command line to the
// running one over the per-user socket, and the files, addresses and lists it
// names become rows of the batch list.

#include "fakeservices.h"
#include "gui/app/singleinstance.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/urllist/urllistwidget.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A later start, in a thread of its own: the running program answers from
// this thread's event loop, as it would from its own process.
void startAgain(const QString& socket, const QStringList& arguments, const QString& folder,
    SingleInstance::Role* role)
{
    *role = SingleInstance::Role::Alone;
    std::unique_ptr<QThread> thread(
        QThread::create([=] { *role = SingleInstance(socket).claim(arguments, folder); }));
    thread->start();
    // The running program answers from this thread's events, which the wait
    // keeps going.
    QTRY_VERIFY_WITH_TIMEOUT(thread->isFinished(), 30000);
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void laterStartsHandTheirArgumentsOver();
    void socketLeftByAKilledProgramIsTakenOver();
    void argumentsBecomeRows();
};

void TestSingleInstance::laterStartsHandTheirArgumentsOver()
{
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("pagelith.socket"));
    SingleInstance first(socket);
    QCOMPARE(first.claim({}, dir.path()), SingleInstance::Role::First);
    QSignalSpy received(&first, &SingleInstance::argumentsReceived);

    const QStringList arguments { QStringLiteral("page.html"), QStringLiteral("http://a.test/") };
    SingleInstance::Role role;
    startAgain(socket, arguments, QStringLiteral("/home/ann/Desktop"), &role);
    QCOMPARE(role, SingleInstance::Role::HandedOver);
    QCOMPARE(received.size(), 1);
    QCOMPARE(received.at(0).at(0).toStringList(), arguments);
    QCOMPARE(received.at(0).at(1).toString(), QStringLiteral("/home/ann/Desktop"));
    // A start with nothing to open still reaches the window (to bring it forward).
    startAgain(socket, {}, dir.path(), &role);
    QCOMPARE(role, SingleInstance::Role::HandedOver);
    QCOMPARE(received.size(), 2);
}

void TestSingleInstance::socketLeftByAKilledProgramIsTakenOver()
{
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("pagelith.socket"));
    // What a killed program leaves: the socket's file, with nobody listening.
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(socket).constData(), sizeof address.sun_path);
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(::bind(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
    ::close(descriptor);
    QVERIFY(QFile::exists(socket));

    SingleInstance first(socket);
    QCOMPARE(first.claim({}, dir.path()), SingleInstance::Role::First);
    QSignalSpy received(&first, &SingleInstance::argumentsReceived);
    SingleInstance::Role role;
    startAgain(socket, { QStringLiteral("x.html") }, dir.path(), &role);
    QCOMPARE(role, SingleInstance::Role::HandedOver);
    QCOMPARE(received.size(), 1);
}

void TestSingleInstance::argumentsBecomeRows()
{
    ShellFixture fixture;
    QVERIFY(fixture.shell->start());
    UrlListWidget* list = fixture.shell->mainWindow()->urlList();
    // The second start ran in another folder than this process.
    QTemporaryDir started;
    QVERIFY(QDir(started.path()).mkpath(QStringLiteral("pages")));
    const QString page = started.filePath(QStringLiteral("pages/a.html"));
    const QString opened = started.filePath(QStringLiteral("b.htm"));
    for (const QString& path : { page, opened }) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QFile listFile(started.filePath(QStringLiteral("list.ulf")));
    QVERIFY(listFile.open(QIODevice::WriteOnly));
    listFile.write("http://one.test/\tPNG\r\nhttp://two.test/\tPDF\r\n");
    listFile.close();

    fixture.shell->openInputs(
        { QStringLiteral("pages/a.html"), QStringLiteral("--new-window"),
            QUrl::fromLocalFile(opened).toString(), QStringLiteral("https://three.test/x?y=1"),
            QStringLiteral("list.ulf"), QStringLiteral("missing.ulf"),
            QStringLiteral("four.test") },
        started.path());
    QCOMPARE(list->addresses(),
        QStringList({ page, opened, QStringLiteral("https://three.test/x?y=1"),
            QStringLiteral("http://one.test/"), QStringLiteral("http://two.test/"),
            QStringLiteral("four.test") }));
    QCOMPARE(fixture.messages.messages.size(), 1);
    QVERIFY(fixture.messages.messages.at(0).critical);
    QVERIFY2(fixture.messages.texts().at(0).contains(QStringLiteral("missing.ulf")),
        qPrintable(fixture.messages.texts().at(0)));
}

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
