#include "core/settings/inifile.h"
#include "engine/queue/conversionservice.h"
#include "engine/setup/enginesetup.h"
#include "testpages.h"

#include <QDir>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestConversionService : public QObject
{
    Q_OBJECT
public:
    static void initMain() { PrepareEngineEnvironment(); }

private slots:
    void pagesStartAndEndInOrder();
};

void TestConversionService::pagesStartAndEndInOrder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString settings = dir.filePath(QStringLiteral("settings.dat"));
    QVERIFY(WriteSetting(settings, QStringLiteral("set"), QStringLiteral("outputfolder"),
        dir.filePath(QStringLiteral("out")), nullptr));
    QVERIFY(WriteSetting(settings, QStringLiteral("set"), QStringLiteral("outputformat"),
        QStringLiteral("PNG"), nullptr));
    ConversionRequest request;
    request.applicationFolder = dir.path();
    request.settingsFile = settings;

    ConversionService service;
    QStringList starts, ends;
    connect(&service, &ConversionService::started, this,
        [&](int id, const QString&) { starts << QString::number(id); });
    QSet<int> inProgress;
    connect(&service, &ConversionService::started, this, [&](int id) { inProgress << id; });
    connect(
        &service, &ConversionService::finished, this, [&](int id, const ConversionResult& result) {
            // The next page may load while this one's files are written, but its
            // result never overtakes this one's.
            ends << QStringLiteral("%1 %2").arg(id).arg(result.ok ? "ok" : "failed");
            inProgress.remove(id);
        });
    QSignalSpy finished(&service, &ConversionService::finished);
    // Each status text names the page it is about: one in progress.
    int texts = 0;
    connect(&service, &ConversionService::statusText, this, [&](int id, const QString&) {
        ++texts;
        QVERIFY(inProgress.contains(id));
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
    QCOMPARE(starts,
        (QStringList { QString::number(first), QString::number(second), QString::number(third) }));
    QCOMPARE(ends,
        (QStringList { QStringLiteral("%1 ok").arg(first), QStringLiteral("%1 failed").arg(second),
            QStringLiteral("%1 ok").arg(third) }));
    QVERIFY(!service.isBusy());
    QVERIFY(texts > 0);
    QCOMPARE(QDir(dir.filePath(QStringLiteral("out"))).entryList(QDir::Files),
        (QStringList { QStringLiteral("webimage.png"), QStringLiteral("webimage_0.png") }));
}

QTEST_MAIN(TestConversionService)
#include "tst_conversionservice.moc"
