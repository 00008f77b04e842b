#include "core/schedule/scheduledue.h"
#include "core/settings/inifile.h"
#include "engine/queue/conversionservice.h"
#include "engine/setup/enginesetup.h"
#include "gui/scheduler/schedulelistwidget.h"
#include "gui/scheduler/schedulerunner.h"
#include "testhttpserver.h"
#include "testpages.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

// The runner on the real conversion queue, pages from a loopback server, and
// a clock the test sets.
class TestScheduleRunner : public QObject
{
    Q_OBJECT

    const QLocale m_locale = QLocale(QLocale::English, QLocale::UnitedStates);
    const QDateTime m_start = QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0));

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<ConversionService> m_service;
    std::unique_ptr<ScheduleListWidget> m_list;
    std::shared_ptr<QDateTime> m_now;

    QString outputFolder() const { return m_folder->filePath(QStringLiteral("out")); }
    QString settingsFile() const { return m_folder->filePath(QStringLiteral("settings.dat")); }

    QStringList outputFiles() const
    {
        return QDir(outputFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    ScheduleSetup setup() const
    {
        ScheduleSetup s;
        s.applicationFolder = m_folder->path();
        ConversionService* service = m_service.get();
        s.conversions = [service] { return service; };
        const std::shared_ptr<QDateTime> now = m_now;
        s.clock = [now] { return *now; };
        s.locale = m_locale;
        return s;
    }

    quint64 addEntry(const QString& url, int secondsAfterStart)
    {
        return m_list->appendEntry(
            { FormatScheduleTime(m_start.addSecs(secondsAfterStart), m_locale), url,
                QStringLiteral("Waiting"), QString() });
    }

    QString status(int row) const { return m_list->entry(row).Status; }

    QString page(const QString& path)
    {
        m_server->route(path,
            TestHttpServer::page(TestPages::simplePage(path, QStringLiteral("<p>scheduled</p>"))));
        return m_server->url(path).toString();
    }

public:
    static void initMain() { PrepareEngineEnvironment(); }

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir(m_folder->path()).mkdir(QStringLiteral("out")));
        QVERIFY(WriteSetting(settingsFile(), QStringLiteral("set"), QStringLiteral("outputfolder"),
            outputFolder(), nullptr));
        QVERIFY(WriteSetting(settingsFile(), QStringLiteral("set"), QStringLiteral("outputformat"),
            QStringLiteral("PNG"), nullptr));
        QVERIFY(WriteSetting(settingsFile(), QStringLiteral("set"), QStringLiteral("timeout"),
            QStringLiteral("3"), nullptr));
        m_server = std::make_unique<TestHttpServer>();
        QVERIFY(m_server->start());
        m_service = std::make_unique<ConversionService>();
        m_list = std::make_unique<ScheduleListWidget>();
        m_now = std::make_shared<QDateTime>(m_start);
    }

    void cleanup()
    {
        m_list.reset();
        m_service.reset();
        m_server.reset();
        m_folder.reset();
    }

    void dueEntryIsConvertedOnTheTickAndItsFileAppears()
    {
        ScheduleRunner runner(m_list.get(), setup());
        runner.start();
        QCOMPARE(runner.timer()->interval(), 1000);
        QVERIFY(runner.timer()->isActive());
        addEntry(page(QStringLiteral("/due")), 5);
        addEntry(page(QStringLiteral("/later")), 60);
        QSignalSpy finished(&runner, &ScheduleRunner::entryFinished);

        runner.scan(); // not yet due
        QCOMPARE(status(0), QStringLiteral("Waiting"));
        *m_now = m_start.addSecs(5);
        // The timer's own tick starts it, and marks it at once.
        QTRY_COMPARE_WITH_TIMEOUT(status(0), QStringLiteral("Done"), 2500);
        QVERIFY(!runner.isIdle());
        QVERIFY(!runner.timer()->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
        QVERIFY2(finished.at(0).at(1).toBool(), qPrintable(finished.at(0).at(2).toString()));
        QCOMPARE(status(0), QStringLiteral("Done"));
        QCOMPARE(status(1), QStringLiteral("Waiting"));
        QVERIFY(runner.isIdle());
        QVERIFY(runner.timer()->isActive());
        const QStringList files = outputFiles();
        QCOMPARE(files.size(), 1);
        QVERIFY(files.at(0).endsWith(QLatin1String(".png"), Qt::CaseInsensitive));
        // Only the temporary files go afterwards.
        QVERIFY(!QFile::exists(m_folder->filePath(QStringLiteral("tempimage.bmp"))));
        QVERIFY(!QFile::exists(m_folder->filePath(QStringLiteral("WEBtemp.htm"))));
        QVERIFY(QFile::exists(settingsFile()));
    }

    void twoEntriesDueInTheSameSecondRunOneAfterTheOther()
    {
        ScheduleRunner runner(m_list.get(), setup());
        runner.start();
        const QString first = page(QStringLiteral("/first"));
        const QString second = page(QStringLiteral("/second"));
        addEntry(first, 1);
        addEntry(second, 1);
        QSignalSpy started(&runner, &ScheduleRunner::entryStarted);
        QSignalSpy finished(&runner, &ScheduleRunner::entryFinished);
        QSignalSpy queueStarted(m_service.get(), &ConversionService::started);

        *m_now = m_start.addSecs(1);
        runner.scan();
        runner.scan(); // busy: the second waits
        QCOMPARE(status(0), QStringLiteral("Done"));
        QCOMPARE(status(1), QStringLiteral("Waiting"));
        QCOMPARE(started.size(), 1);

        // The clock moves on while the first converts: the second is late, not lost.
        *m_now = m_start.addSecs(30);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 60000);
        QCOMPARE(started.at(0).at(0).toString(), first);
        QCOMPARE(started.at(1).at(0).toString(), second);
        QVERIFY(finished.at(0).at(1).toBool());
        QVERIFY(finished.at(1).at(1).toBool());
        QCOMPARE(status(1), QStringLiteral("Done"));
        QCOMPARE(queueStarted.size(), 2);
        QCOMPARE(outputFiles().size(), 2);
    }

    void entryDueDuringABatchPageRunsAfterIt()
    {
        m_server->route(QStringLiteral("/batch"),
            TestHttpServer::slow(
                TestPages::simplePage(QStringLiteral("batch"), QStringLiteral("<p>b</p>")), 1500));
        ConversionRequest batch;
        batch.address = m_server->url(QStringLiteral("/batch")).toString();
        batch.applicationFolder = m_folder->path();
        batch.settingsFile = settingsFile();
        QStringList order; // "start <address>" and "end <id>" as the queue reports them
        connect(m_service.get(), &ConversionService::started, this,
            [&order](
                int, const QString& address) { order.append(QStringLiteral("start ") + address); });
        QString results; // each page's result, said when a file is missing
        connect(m_service.get(), &ConversionService::finished, this,
            [&order, &results](int id, const ConversionResult& result) {
                order.append(QStringLiteral("end %1").arg(id));
                results += QStringLiteral("page %1: %2 %3 [%4]; ")
                               .arg(id)
                               .arg(result.ok ? "ok" : "failed", result.reason,
                                   result.filesWritten.join(QLatin1Char(' ')));
            });
        const int batchId = m_service->enqueue(batch);
        QTRY_VERIFY_WITH_TIMEOUT(m_service->isBusy(), 5000);

        ScheduleRunner runner(m_list.get(), setup());
        runner.start();
        const QString scheduled = page(QStringLiteral("/scheduled"));
        addEntry(scheduled, 1);
        *m_now = m_start.addSecs(1);
        QSignalSpy finished(&runner, &ScheduleRunner::entryFinished);
        runner.scan();
        QCOMPARE(status(0), QStringLiteral("Done"));
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
        QVERIFY(finished.at(0).at(1).toBool());
        // The scheduled page may load while the batch page's files are written; it
        // starts and ends after it.
        QCOMPARE(order.size(), 4);
        QCOMPARE(order.at(0), QStringLiteral("start ") + batch.address);
        QVERIFY(order.indexOf(QStringLiteral("start ") + scheduled) > 0);
        QVERIFY(order.indexOf(QStringLiteral("end %1").arg(batchId)) < 3);
        QVERIFY(order.at(3).startsWith(QStringLiteral("end ")));
        QVERIFY2(outputFiles().size() == 2,
            qPrintable(outputFiles().join(QLatin1Char(' ')) + QStringLiteral(" from ") + results));
    }

    void stoppedWhileWaitingBehindABatchPage()
    {
        m_server->route(QStringLiteral("/batch"),
            TestHttpServer::slow(
                TestPages::simplePage(QStringLiteral("batch"), QStringLiteral("<p>b</p>")), 1000));
        ConversionRequest batch;
        batch.address = m_server->url(QStringLiteral("/batch")).toString();
        batch.applicationFolder = m_folder->path();
        batch.settingsFile = settingsFile();
        m_service->enqueue(batch);
        QTRY_VERIFY_WITH_TIMEOUT(m_service->isBusy(), 5000);

        auto runner = std::make_unique<ScheduleRunner>(m_list.get(), setup());
        runner->start();
        addEntry(page(QStringLiteral("/dropped")), 1);
        *m_now = m_start.addSecs(1);
        runner->scan();
        QCOMPARE(status(0), QStringLiteral("Done"));
        QCOMPARE(m_service->pendingCount(), 1);
        // The schedule window is closed before the entry's turn came.
        runner->stop();
        runner.reset();
        QCOMPARE(status(0), QStringLiteral("Waiting"));
        QCOMPARE(m_service->pendingCount(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!m_service->isBusy(), 30000);
        QCOMPARE(m_server->requestCount(QStringLiteral("/dropped")), 0);
    }

    void stoppedWhileItsPageIsConvertedStaysDone()
    {
        m_server->route(QStringLiteral("/inwork"),
            TestHttpServer::slow(
                TestPages::simplePage(QStringLiteral("inwork"), QStringLiteral("<p>w</p>")), 1000));
        auto runner = std::make_unique<ScheduleRunner>(m_list.get(), setup());
        runner->start();
        addEntry(m_server->url(QStringLiteral("/inwork")).toString(), 1);
        QSignalSpy started(m_service.get(), &ConversionService::started);
        *m_now = m_start.addSecs(1);
        runner->scan();
        QTRY_COMPARE_WITH_TIMEOUT(started.size(), 1, 5000);
        // The window closes while its page is being converted: the page runs to
        // its end and writes its file, so the entry must not read "Waiting" again.
        runner->stop();
        runner.reset();
        QCOMPARE(status(0), QStringLiteral("Done"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_service->isBusy(), 30000);
        QCOMPARE(outputFiles().size(), 1);
    }

    void runnerComesBackToIdleWhateverThePageDoes_data()
    {
        QTest::addColumn<QString>("address"); // a path starting with "/" is served
        QTest::addColumn<QString>("expected"); // what the entry reads afterwards
        QTest::newRow("blank address") << QStringLiteral("   ") << QStringLiteral("Failed");
        QTest::newRow("navigation cannot start")
            << QStringLiteral("http://") << QStringLiteral("Failed");
        QTest::newRow("refused connection")
            << QStringLiteral("http://127.0.0.1:1/x") << QStringLiteral("Failed");
        QTest::newRow("load error") << QStringLiteral("/missing") << QStringLiteral("Failed");
        // The document arrived but its picture never does: when "timeout" runs
        // out the page is taken as it stands.
        QTest::newRow("timeout runs out while loading")
            << QStringLiteral("/endless") << QStringLiteral("Done");
        QTest::newRow("page never answers") << QStringLiteral("/hang") << QStringLiteral("Failed");
    }

    void runnerComesBackToIdleWhateverThePageDoes()
    {
        QFETCH(QString, address);
        QFETCH(QString, expected);
        m_server->route(QStringLiteral("/hang"), TestHttpServer::neverAnswer());
        m_server->route(QStringLiteral("/missing"), TestHttpServer::status(404));
        m_server->route(QStringLiteral("/endless"),
            TestHttpServer::page(TestPages::simplePage(QStringLiteral("endless"),
                QStringLiteral("<p>text</p><img src=\"/hang\" width=\"50\" height=\"50\">"))));
        if (address.startsWith(QLatin1Char('/')))
            address = m_server->url(address).toString();

        ScheduleRunner runner(m_list.get(), setup());
        runner.start();
        addEntry(address, 1);
        addEntry(page(QStringLiteral("/next")), 1);
        QSignalSpy finished(&runner, &ScheduleRunner::entryFinished);
        *m_now = m_start.addSecs(1);
        runner.scan();
        QCOMPARE(status(1), QStringLiteral("Waiting"));
        // "timeout" is 3 seconds: no page takes much longer, whatever it does.
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
        QVERIFY(runner.isIdle());
        QVERIFY(runner.timer()->isActive());
        QCOMPARE(status(0), expected);
        QCOMPARE(finished.at(0).at(1).toBool(), expected == QLatin1String("Done"));
        // And the next entry still runs.
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 30000);
        QCOMPARE(status(1), QStringLiteral("Done"));
        QVERIFY(finished.at(1).at(1).toBool());
    }

    void listEmptiedWhilePageLoads()
    {
        m_server->route(QStringLiteral("/slow"),
            TestHttpServer::slow(
                TestPages::simplePage(QStringLiteral("slow"), QStringLiteral("<p>s</p>")), 800));
        ScheduleRunner runner(m_list.get(), setup());
        runner.start();
        addEntry(m_server->url(QStringLiteral("/slow")).toString(), 1);
        QSignalSpy finished(&runner, &ScheduleRunner::entryFinished);
        *m_now = m_start.addSecs(1);
        runner.scan();
        QVERIFY(!runner.isIdle());
        m_list->clearEntries();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
        QVERIFY(runner.isIdle());
        QVERIFY(runner.timer()->isActive());

        // A new entry added afterwards is started as usual.
        addEntry(page(QStringLiteral("/after")), 40);
        *m_now = m_start.addSecs(40);
        runner.scan();
        QCOMPARE(status(0), QStringLiteral("Done"));
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 30000);
    }

    void entriesThatWereDueBeforeWatchingOrCannotBeReadNeverStart()
    {
        addEntry(page(QStringLiteral("/past")), -1);
        m_list->appendEntry({ QStringLiteral("not a time"), page(QStringLiteral("/bad")),
            QStringLiteral("Waiting"), QString() });
        addEntry(page(QStringLiteral("/done")), 2);
        m_list->setStatus(2, QStringLiteral("Done"));
        ScheduleRunner runner(m_list.get(), setup());
        runner.start();
        *m_now = m_start.addSecs(3600);
        runner.scan();
        QVERIFY(runner.isIdle());
        QCOMPARE(status(0), QStringLiteral("Waiting"));
        QCOMPARE(status(1), QStringLiteral("Waiting"));
        QCOMPARE(status(2), QStringLiteral("Done"));
        QCOMPARE(m_server->requestCount(QStringLiteral("/done")), 0);
    }
};

QTEST_MAIN(TestScheduleRunner)
#include "tst_schedulerunner.moc"
