#include "conversionservice.h"
#include "enginesetup.h"
#include "settings/inifile.h"
#include "testpages.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestConversionService : public QObject
{
    Q_OBJECT
public:
    static void initMain() { PrepareEngineEnvironment(); }

private slots:
    void pagesRunOneAtATimeInOrder();
};

void TestConversionService::pagesRunOneAtATimeInOrder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString settings = dir.filePath(QStringLiteral("settings.dat"));
    WriteSetting(settings, QStringLiteral("set"), QStringLiteral("outputfolder"),
        dir.filePath(QStringLiteral("out")));
    WriteSetting(
        settings, QStringLiteral("set"), QStringLiteral("outputformat"), QStringLiteral("PNG"));
    ConversionRequest request;
    request.applicationFolder = dir.path();
    request.settingsFile = settings;

    ConversionService service;
    QStringList events;
    connect(&service, &ConversionService::started, this, [&](int id, const QString&) {
        // A page never starts while another is in progress.
        events << QStringLiteral("start %1").arg(id);
    });
    connect(
        &service, &ConversionService::finished, this, [&](int id, const ConversionResult& result) {
            events << QStringLiteral("end %1 %2").arg(id).arg(result.ok ? "ok" : "failed");
        });
    QSignalSpy finished(&service, &ConversionService::finished);
    // Each status text names the page it is about: the one in progress.
    int running = 0;
    int texts = 0;
    connect(&service, &ConversionService::started, this, [&](int id) { running = id; });
    connect(&service, &ConversionService::finished, this, [&] { running = 0; });
    connect(&service, &ConversionService::statusText, this, [&](int id, const QString&) {
        ++texts;
        QCOMPARE(id, running);
    });

    request.address = TestPages::writePage(
        dir.path(), QStringLiteral("a.html"), TestPages::bandedPage(1000, 900));
    const int first = service.enqueue(request);
    request.address = QStringLiteral("/nonexistent/page.html");
    const int second = service.enqueue(request);
    request.address = TestPages::writePage(
        dir.path(), QStringLiteral("b.html"), TestPages::bandedPage(1000, 900));
    const int dropped = service.enqueue(request);
    const int third = service.enqueue(request);
    QCOMPARE(service.pendingCount(), 4);
    service.cancelPending(dropped);

    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 3, 120000);
    QCOMPARE(events,
        (QStringList { QStringLiteral("start %1").arg(first),
            QStringLiteral("end %1 ok").arg(first), QStringLiteral("start %1").arg(second),
            QStringLiteral("end %1 failed").arg(second), QStringLiteral("start %1").arg(third),
            QStringLiteral("end %1 ok").arg(third) }));
    QVERIFY(!service.isBusy());
    QVERIFY(texts > 0);
    QCOMPARE(QDir(dir.filePath(QStringLiteral("out"))).entryList(QDir::Files),
        (QStringList { QStringLiteral("webimage.png"), QStringLiteral("webimage_0.png") }));
}

QTEST_MAIN(TestConversionService)
#include "tst_conversionservice.moc"
