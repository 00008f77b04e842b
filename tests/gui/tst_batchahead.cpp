// The main window's batch keeps pages ahead in the conversion queue, like the
// command line, and its pages in numbering mode keep files of their own: on the
// real engine and a loopback server.

#include "engine/queue/conversionservice.h"
#include "engine/setup/enginesetup.h"
#include "fakeservices.h"
#include "gui/app/appcontext.h"
#include "gui/convert/batchdriver.h"
#include "gui/mainwindow/mainmenus.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/urllist/urllistwidget.h"
#include "testhttpserver.h"
#include "testpages.h"

#include <QAction>
#include <QApplication>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidgetItem>

namespace {

constexpr int PageTimeoutMs = 60000;

} // namespace

class TestBatchAhead : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void nextPageWaitsInTheQueueWhileOneIsLoaded();
    void pagesAtOnceLoadSideBySide();
    void numberedPagesKeepTheirOwnThumbnails();
    void quittingDuringABatchAsksFirst();

private:
    void start(const QString& settings, const QStringList& paths);
    ConversionService* service() const { return m_fixture->shell->context()->conversionService(); }
    MainWindow* window() const { return m_fixture->shell->mainWindow(); }
    QString rowStatus(int row) const { return window()->urlList()->status(row); }
    // Fails with the row's reason when it did not end well.
    void verifyRowsOk(int rows) const;

    TestHttpServer m_server;
    std::unique_ptr<ShellFixture> m_fixture;
    BatchDriver* m_driver = nullptr;
};

void TestBatchAhead::initTestCase()
{
    QVERIFY(m_server.start());
    m_server.route("/a", TestHttpServer::page(TestPages::simplePage("A", "<p>first</p>")));
    m_server.route("/b", TestHttpServer::page(TestPages::simplePage("B", "<p>second</p>")));
    m_server.route(
        "/slow", TestHttpServer::slow(TestPages::simplePage("Slow", "<p>late</p>"), 2500));
    m_server.route("/hang1", TestHttpServer::neverAnswer());
    m_server.route("/hang2", TestHttpServer::neverAnswer());
    for (const char* colour : { "red", "lime", "blue" }) {
        m_server.route(QStringLiteral("/%1").arg(colour),
            TestHttpServer::page(TestPages::simplePage(colour,
                QStringLiteral("<style>html { background: %1 }</style><p>%1</p>").arg(colour))));
    }
}

void TestBatchAhead::init()
{
    m_fixture = std::make_unique<ShellFixture>();
}

void TestBatchAhead::cleanup()
{
    QTRY_VERIFY_WITH_TIMEOUT(!service()->isBusy(), PageTimeoutMs);
    m_fixture.reset();
}

void TestBatchAhead::start(const QString& settings, const QStringList& paths)
{
    m_fixture->writeFile(QStringLiteral("settings.dat"),
        QStringLiteral("[set]\r\noutputfolder=%1\r\n%2")
            .arg(m_fixture->path(QStringLiteral("out")), settings)
            .toUtf8());
    QVERIFY(m_fixture->shell->start());
    m_driver = window()->findChild<BatchDriver*>(QStringLiteral("batchDriver"));
    QVERIFY(m_driver);
    for (const QString& path : paths)
        window()->urlList()->appendRow(m_server.url(path).toString(), QStringLiteral("PNG"));
    window()->menus()->convertNow->trigger();
}

void TestBatchAhead::nextPageWaitsInTheQueueWhileOneIsLoaded()
{
    QSignalSpy started(service(), &ConversionService::started);
    start(QStringLiteral("outputformat=PNG\r\n"), { "/slow", "/a", "/b" });
    QSignalSpy batchEnded(m_driver, &BatchDriver::batchEnded);
    QTRY_COMPARE_WITH_TIMEOUT(started.size(), 1, PageTimeoutMs);
    // The second page is already queued, ready the moment the view is free; it
    // is not shown as processing while it only waits.
    QCOMPARE(service()->pendingCount(), 1);
    QCOMPARE(rowStatus(0), QStringLiteral("Processing"));
    QCOMPARE(rowStatus(1), QString());
    QVERIFY(batchEnded.wait(3 * PageTimeoutMs));
    QCOMPARE(batchEnded.first().first().toBool(), true);
    verifyRowsOk(3);
    QCOMPARE(m_fixture->messages.texts(), QStringList({ "Conversion completed!" }));
}

void TestBatchAhead::pagesAtOnceLoadSideBySide()
{
    // Two pages that never answer: with two at once the second is asked for while
    // the first still waits; one at a time it would be asked for only once the
    // first had failed.
    start(QStringLiteral("outputformat=PNG\r\npagesatonce=2\r\ntimeout=5\r\n"),
        { "/hang1", "/hang2", "/a" });
    QSignalSpy batchEnded(m_driver, &BatchDriver::batchEnded);
    QTRY_COMPARE_WITH_TIMEOUT(m_server.requestCount(QStringLiteral("/hang2")), 1, PageTimeoutMs);
    QCOMPARE(rowStatus(0), QStringLiteral("Processing"));
    QCOMPARE(rowStatus(1), QStringLiteral("Processing"));
    QVERIFY(batchEnded.wait(3 * PageTimeoutMs));
    QCOMPARE(rowStatus(0), QStringLiteral("Failed"));
    QCOMPARE(rowStatus(1), QStringLiteral("Failed"));
    QCOMPARE(rowStatus(2), QStringLiteral("OK"));
    QCOMPARE(m_fixture->messages.texts(),
        QStringList({ "Conversion completed!\n2 of 3 pages failed." }));
}

void TestBatchAhead::numberedPagesKeepTheirOwnThumbnails()
{
    // Three pages under one custom name in numbering mode: each image keeps a
    // thumbnail of its own page, none replaces another's.
    start(QStringLiteral("fileoption=0\r\nfilename=webimage\r\noutputformat=JPG\r\n"
                         "existedfile=0\r\nThumbnail=1\r\nimagesize=10\r\n"),
        { "/red", "/lime", "/blue" });
    QSignalSpy batchEnded(m_driver, &BatchDriver::batchEnded);
    QVERIFY(batchEnded.wait(3 * PageTimeoutMs));
    verifyRowsOk(3);

    const QDir out(m_fixture->path(QStringLiteral("out")));
    QCOMPARE(out.entryList(QDir::Files),
        QStringList({ "webimage.jpg", "webimage_0.jpg", "webimage_0_Thumbnail.jpg",
            "webimage_1.jpg", "webimage_1_Thumbnail.jpg", "webimage_Thumbnail.jpg" }));
    const QList<QPair<QString, QColor>> thumbnails = { { "webimage_Thumbnail.jpg", Qt::red },
        { "webimage_0_Thumbnail.jpg", Qt::green }, { "webimage_1_Thumbnail.jpg", Qt::blue } };
    for (const auto& [name, colour] : thumbnails) {
        const QImage thumbnail(out.filePath(name));
        QVERIFY2(!thumbnail.isNull(), qPrintable(name));
        const QColor centre = thumbnail.pixelColor(thumbnail.rect().center());
        // JPEG shifts colours a little; the pages are far apart.
        QVERIFY2(qAbs(centre.red() - colour.red()) < 40
                && qAbs(centre.green() - colour.green()) < 40
                && qAbs(centre.blue() - colour.blue()) < 40,
            qPrintable(name + " shows " + centre.name()));
    }
}

void TestBatchAhead::quittingDuringABatchAsksFirst()
{
    start(QStringLiteral("outputformat=PNG\r\n"), { "/slow", "/a" });
    QAction* exit = window()->findChild<QAction*>(QStringLiteral("mnuExit"));
    QVERIFY(exit);
    // No, from Exit and from the close box (no tray here): the batch carries on
    // in the window.
    m_fixture->messages.answer = false;
    exit->trigger();
    QVERIFY(!window()->close());
    QCOMPARE(m_fixture->messages.questions.size(), 2);
    QCOMPARE(m_fixture->quitCount, 0);
    QVERIFY(m_driver->isConverting());
    QVERIFY(window()->isVisible());
    // Yes: the program ends.
    m_fixture->messages.answer = true;
    exit->trigger();
    QCOMPARE(m_fixture->messages.questions.size(), 3);
    QCOMPARE(m_fixture->quitCount, 1);
    QVERIFY(!window()->isVisible());
}

void TestBatchAhead::verifyRowsOk(int rows) const
{
    for (int row = 0; row < rows; ++row) {
        QVERIFY2(rowStatus(row) == QStringLiteral("OK"),
            qPrintable(QStringLiteral("row %1: %2 %3")
                           .arg(row)
                           .arg(rowStatus(row),
                               window()->urlList()->topLevelItem(row)->toolTip(
                                   UrlListWidget::StatusColumn))));
    }
}

int main(int argc, char* argv[])
{
    PrepareEngineEnvironment();
    QApplication application(argc, argv);
    TestBatchAhead test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_batchahead.moc"
