// The batch conversion from the main window, on the real engine and a loopback
// server: row statuses, progress, completion, cancels, failing rows and rows
// edited while a batch runs.

#include "engine/chromium/chromiumbrowser.h"
#include "engine/queue/conversionrequest.h"
#include "engine/queue/conversionservice.h"
#include "engine/setup/enginesetup.h"
#include "gui/app/appcontext.h"
#include "gui/app/appshell.h"
#include "gui/app/commandrouter.h"
#include "gui/convert/batchdriver.h"
#include "gui/desktop/trayicon.h"
#include "gui/desktop/urlopener.h"
#include "gui/dialogs/messagepresenter.h"
#include "gui/mainwindow/enginelabel.h"
#include "gui/mainwindow/mainmenus.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/progresspanel.h"
#include "gui/mainwindow/statusframe.h"
#include "gui/mainwindow/toolbarstrip.h"
#include "gui/urllist/urllistwidget.h"
#include "gui/widgets/imagebutton.h"
#include "nextmodal.h"
#include "testhttpserver.h"
#include "testpages.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidgetItem>
#include <memory>

namespace {

constexpr int PageTimeoutMs = 60000;
// Pages named after their address, as PNG, numbered when the name is taken.
const QString DefaultSettings
    = QStringLiteral("fileoption=1\r\noutputformat=PNG\r\nexistedfile=0\r\n");

// Everything the batch shows, in the order it happened.
struct BatchLog
{
    QStringList events;
    QList<int> progress;
};

// Records the message boxes instead of showing them, with what the window
// showed at that moment.
class RecordingPresenter : public MessagePresenter
{
public:
    BatchLog* log = nullptr;
    MainWindow* window = nullptr;
    int progressAtMessage = -1;
    Qt::CursorShape cursorAtMessage = Qt::ArrowCursor;
    QString labelAtMessage;
    // The desktop's own question box instead of an answer.
    bool realQuestion = false;

    void information(QWidget*, const QString& text) override { record("information", text); }
    void critical(QWidget*, const QString& text) override { record("critical", text); }
    bool question(QWidget* parent, const QString& text) override
    {
        record("question", text);
        return realQuestion ? MessagePresenter::question(parent, text) : true;
    }

private:
    void record(const char* kind, const QString& text)
    {
        log->events.append(QString::fromLatin1(kind) + QLatin1Char(':') + text);
        if (!window)
            return;
        progressAtMessage = window->progressPanel()->progressBar()->value();
        cursorAtMessage = window->cursor().shape();
        labelAtMessage = window->statusFrame()->statusLabel()->text();
    }
};

class RecordingOpener : public UrlOpener
{
public:
    BatchLog* log = nullptr;
    bool fileManager = true;
    bool open(const QUrl& url) override
    {
        log->events.append(QStringLiteral("open:") + url.toLocalFile());
        return true;
    }
    bool opensFolders() override { return fileManager; }
};

} // namespace

class TestBatchDriver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void progressStepsRoundHalfToEven_data();
    void progressStepsRoundHalfToEven();
    void emptyListDoesNothing();
    void threeRowsShowEachStepAndOpenTheFolder();
    void cancelInTheMiddleStopsAndTheLatePageStillFinishes();
    void quietCancelOfAWaitingPageTakesItOutOfTheQueue();
    void failingRowsAreMarkedAndTheBatchGoesOn();
    void pageRunningPastTheTimeoutFails();
    void encoderFaultIsShownOncePerBatch();
    void rowsEditedDuringABatch();
    void secondConvertNowOpensTheFolderAndTheBatchGoesOn();
    void engineChosenInTheSettingsConvertsTheNextPages();
    void quitQuestionGoesWithTheBatch();

private:
    void writeSettings(const QString& lines = DefaultSettings);
    void addRows(const QStringList& paths);
    QString rowStatus(int row) const { return m_window->urlList()->status(row); }
    QStringList statusEvents() const;
    // The statuses one row showed, in order.
    QStringList rowEvents(int row) const;
    int outputFileCount() const;

    TestHttpServer m_server;
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_outputFolder;
    BatchLog m_log;
    RecordingPresenter m_messages;
    RecordingOpener m_opener;
    std::unique_ptr<AppShell> m_shell;
    MainWindow* m_window = nullptr;
    BatchDriver* m_driver = nullptr;
};

void TestBatchDriver::initTestCase()
{
    QVERIFY(m_server.start());
    m_server.route("/a", TestHttpServer::page(TestPages::simplePage("A", "<p>first</p>")));
    m_server.route("/b", TestHttpServer::page(TestPages::simplePage("B", "<p>second</p>")));
    m_server.route("/c", TestHttpServer::page(TestPages::simplePage("C", "<p>third</p>")));
    m_server.route("/d", TestHttpServer::page(TestPages::simplePage("D", "<p>fourth</p>")));
    m_server.route(
        "/slow", TestHttpServer::slow(TestPages::simplePage("Slow", "<p>late</p>"), 2500));
    m_server.route("/forbidden", TestHttpServer::status(403));
    m_server.route("/broken", TestHttpServer::status(500));
    m_server.route("/hang", TestHttpServer::neverAnswer());
    m_messages.log = &m_log;
    m_opener.log = &m_log;
}

void TestBatchDriver::init()
{
    m_messages.realQuestion = false;
    m_opener.fileManager = true;
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_outputFolder = m_folder->filePath("out");
    QVERIFY(QDir().mkpath(m_outputFolder));
    // Start-up only checks that the logo is there.
    QFile logo(m_folder->filePath("logo.jpg"));
    QVERIFY(logo.open(QIODevice::WriteOnly));
    logo.close();
    writeSettings();
    m_log = BatchLog();

    ShellServices services;
    services.messages = &m_messages;
    services.opener = &m_opener;
    services.trayAvailable = [] { return false; };
    services.quit = [] {};
    m_shell = std::make_unique<AppShell>(m_folder->path(), services);
    QVERIFY(m_shell->start());
    m_window = m_shell->mainWindow();
    m_messages.window = m_window;
    m_driver = m_window->findChild<BatchDriver*>("batchDriver");
    QVERIFY(m_driver);

    QAbstractItemModel* model = m_window->urlList()->model();
    connect(model, &QAbstractItemModel::dataChanged, this,
        [this](const QModelIndex& from, const QModelIndex& to) {
            for (int row = from.row(); row <= to.row(); ++row) {
                const QString event = QStringLiteral("row%1:%2").arg(row).arg(rowStatus(row));
                // Tooltips change the row too; only status changes count.
                if (!rowStatus(row).isEmpty() && !m_log.events.endsWith(event))
                    m_log.events.append(event);
            }
        });
    connect(m_window->progressPanel()->progressBar(), &QProgressBar::valueChanged, this,
        [this](int value) { m_log.progress.append(value); });
}

void TestBatchDriver::cleanup()
{
    // Pages still in work finish before the window goes, so that no test
    // leaves work for the next one.
    ConversionService* service = m_shell->context()->conversionService();
    QTRY_VERIFY_WITH_TIMEOUT(!service->isBusy(), PageTimeoutMs);
    m_messages.window = nullptr;
    m_shell.reset();
    m_folder.reset();
}

void TestBatchDriver::writeSettings(const QString& lines)
{
    QFile file(m_folder->filePath("settings.dat"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const QString text
        = QStringLiteral("[set]\r\noutputfolder=%1\r\n%2").arg(m_outputFolder, lines);
    file.write(text.toUtf8());
}

void TestBatchDriver::addRows(const QStringList& paths)
{
    for (const QString& path : paths) {
        const QString address = path.startsWith('/') ? m_server.url(path).toString() : path;
        m_window->urlList()->appendRow(address, QStringLiteral("PNG"));
    }
}

QStringList TestBatchDriver::statusEvents() const
{
    QStringList events;
    for (const QString& event : m_log.events) {
        if (event.startsWith(QLatin1String("row")))
            events.append(event);
    }
    return events;
}

QStringList TestBatchDriver::rowEvents(int row) const
{
    const QString prefix = QStringLiteral("row%1:").arg(row);
    QStringList events;
    for (const QString& event : m_log.events) {
        if (event.startsWith(prefix))
            events.append(event.mid(prefix.size()));
    }
    return events;
}

int TestBatchDriver::outputFileCount() const
{
    return int(QDir(m_outputFolder).entryList(QDir::Files).size());
}

void TestBatchDriver::progressStepsRoundHalfToEven_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<int>>("positions");
    QTest::newRow("3 rows") << 3 << QList<int> { 33, 66, 99 };
    QTest::newRow("8 rows: 12.5 goes to the even side") << 8 << QList<int> { 12, 24, 36, 48, 60 };
    QTest::newRow("200 rows: 0.5 rounds to 0") << 200 << QList<int> { 0, 0, 0 };
    QTest::newRow("201 rows") << 201 << QList<int> { 0, 0 };
    QTest::newRow("1 row") << 1 << QList<int> { 100, 100 };
}

void TestBatchDriver::progressStepsRoundHalfToEven()
{
    QFETCH(int, rows);
    QFETCH(QList<int>, positions);
    int position = 0;
    for (int expected : positions) {
        position = BatchDriver::raisedProgress(position, rows);
        QCOMPARE(position, expected);
    }
    // No rows left: the bar stays where it is instead of dividing by zero.
    QCOMPARE(BatchDriver::raisedProgress(40, 0), 40);
}

void TestBatchDriver::emptyListDoesNothing()
{
    m_window->menus()->convertNow->trigger();
    QVERIFY(!m_driver->isConverting());
    QVERIFY(m_window->progressPanel()->isHidden());
    QVERIFY(m_log.events.isEmpty());
}

void TestBatchDriver::threeRowsShowEachStepAndOpenTheFolder()
{
    addRows({ "/a", "/b", "/c" });
    // Every entry leads to the same routine; the toolbar's starts this batch.
    QVERIFY(m_window->menus()->convertNow->isEnabled());
    QVERIFY(m_window->menus()->popConvertNow->isEnabled());
    QVERIFY(m_shell->tray()->convertNow->isEnabled());
    // The tray's cancel only while there is a batch to cancel.
    QVERIFY(!m_shell->tray()->cancelConvert->isEnabled());
    emit m_window->toolbar()->convertNow()->clicked();
    QVERIFY(m_shell->tray()->cancelConvert->isEnabled());

    QVERIFY(m_driver->isConverting());
    QVERIFY(m_window->progressPanel()->isVisibleTo(m_window));
    QCOMPARE(m_window->cursor().shape(), Qt::WaitCursor);
    QCOMPARE(rowStatus(0), QStringLiteral("Processing"));
    QCOMPARE(m_window->progressPanel()->frame()->title(),
        QStringLiteral("Processing ") + m_server.url("/a").toString());

    QSignalSpy ended(m_driver, &BatchDriver::batchEnded);
    QVERIFY(ended.wait(3 * PageTimeoutMs));
    QCOMPARE(ended.first().first().toBool(), true);

    // The next page is loaded while one is written: rows overlap, each in order.
    for (int row = 0; row < 3; ++row)
        QCOMPARE(rowEvents(row), QStringList({ "Processing", "OK" }));
    QCOMPARE(statusEvents().constFirst(), QStringLiteral("row0:Processing"));
    QCOMPARE(m_log.progress, QList<int>({ 33, 66, 99, 100, 0 }));
    QCOMPARE(m_messages.progressAtMessage, 100);
    QCOMPARE(m_messages.cursorAtMessage, Qt::ArrowCursor);
    // The message first, the folder once it is closed.
    QCOMPARE(m_log.events.mid(m_log.events.size() - 2),
        QStringList({ "information:Conversion completed!", "open:" + m_outputFolder }));
    QCOMPARE(m_window->progressPanel()->frame()->title(), QStringLiteral("Status"));
    QVERIFY(m_window->progressPanel()->isHidden());
    QCOMPARE(m_window->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!m_driver->isConverting());
    QVERIFY(!m_shell->tray()->cancelConvert->isEnabled());
    QCOMPARE(outputFileCount(), 3);
}

void TestBatchDriver::cancelInTheMiddleStopsAndTheLatePageStillFinishes()
{
    addRows({ "/a", "/slow", "/c", "/d" });
    ConversionService* service = m_shell->context()->conversionService();
    QSignalSpy started(service, &ConversionService::started);
    m_window->menus()->popConvertNow->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(started.size(), 2, PageTimeoutMs);
    QCOMPARE(started.last().at(1).toString(), m_server.url("/slow").toString());
    // The first page is written while the slow one loads.
    QTRY_COMPARE_WITH_TIMEOUT(rowStatus(0), QStringLiteral("OK"), PageTimeoutMs);

    // The cancel button that says so. The page in work is finished first, and
    // the count says what was really written.
    QSignalSpy ended(m_driver, &BatchDriver::batchEnded);
    emit m_window->progressPanel()->cancelButton()->clicked();
    QCOMPARE(rowStatus(0), QStringLiteral("OK"));
    QCOMPARE(rowStatus(1), QStringLiteral("Cancel"));
    // Rows this run never reached say so, whatever an earlier run left there.
    QCOMPARE(rowStatus(2), QStringLiteral("Not converted"));
    QCOMPARE(rowStatus(3), QStringLiteral("Not converted"));
    QCOMPARE(m_window->statusFrame()->statusLabel()->text(), QStringLiteral("User cancel"));
    QVERIFY(m_log.events.filter("information:").isEmpty());
    QVERIFY(m_driver->isConverting());

    QVERIFY(ended.wait(PageTimeoutMs));
    QCOMPARE(ended.first().first().toBool(), false);
    QCOMPARE(rowStatus(1), QStringLiteral("OK"));
    QCOMPARE(m_log.events.last(), QStringLiteral("information:Cancelled: 2 of 4 pages written"));
    QCOMPARE(m_window->progressPanel()->statusLabel()->text(), QStringLiteral("User cancel"));
    QVERIFY(m_window->progressPanel()->isHidden());
    QCOMPARE(m_window->progressPanel()->progressBar()->value(), 0);
    QCOMPARE(m_window->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!m_driver->isConverting());

    // There is neither completion nor folder.
    QTRY_VERIFY_WITH_TIMEOUT(!service->isBusy(), PageTimeoutMs);
    QCOMPARE(outputFileCount(), 2);
    QCOMPARE(rowStatus(2), QStringLiteral("Not converted"));
    QCOMPARE(started.size(), 2);
    for (const QString& event : std::as_const(m_log.events)) {
        QVERIFY2(
            !event.startsWith("information:Conversion completed") && !event.startsWith("open:"),
            qPrintable(event));
    }

    // A cancel with no batch running changes nothing.
    m_window->menus()->cancelConvert->trigger();
    QCOMPARE(rowStatus(1), QStringLiteral("OK"));
    QCOMPARE(m_log.events.filter("information:Cancelled").size(), 1);
}

void TestBatchDriver::quietCancelOfAWaitingPageTakesItOutOfTheQueue()
{
    // The scheduler's page holds the queue; the batch's first page waits.
    ConversionService* service = m_shell->context()->conversionService();
    ConversionRequest scheduled;
    scheduled.address = m_server.url("/slow").toString();
    scheduled.applicationFolder = m_folder->path();
    scheduled.settingsFile = m_folder->filePath("settings.dat");
    QSignalSpy started(service, &ConversionService::started);
    QSignalSpy finished(service, &ConversionService::finished);
    const int scheduledId = service->enqueue(scheduled);
    QTRY_COMPARE_WITH_TIMEOUT(started.size(), 1, PageTimeoutMs);

    addRows({ "/a", "/b" });
    m_window->menus()->convertNow->trigger();
    QCOMPARE(rowStatus(0), QStringLiteral("Processing"));
    m_shell->router()->cancelConvertQuietly();
    // Waiting behind the scheduler's page, it never started.
    QCOMPARE(rowStatus(0), QStringLiteral("Not converted"));
    QVERIFY(m_log.events.filter("critical:").isEmpty());
    QVERIFY(m_window->progressPanel()->isHidden());

    QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), PageTimeoutMs);
    QCOMPARE(finished.first().first().toInt(), scheduledId);
    QTRY_VERIFY_WITH_TIMEOUT(!service->isBusy(), PageTimeoutMs);
    // Only the scheduler's page was converted; the batch's row never started.
    QCOMPARE(started.size(), 1);
    QCOMPARE(rowStatus(0), QStringLiteral("Not converted"));
    QCOMPARE(rowStatus(1), QStringLiteral("Not converted"));
    QCOMPARE(outputFileCount(), 1);
}

void TestBatchDriver::failingRowsAreMarkedAndTheBatchGoesOn()
{
    addRows({ "/forbidden", "/a", "/b", "/broken" });
    QSignalSpy ended(m_driver, &BatchDriver::batchEnded);
    m_shell->tray()->convertNow->trigger();
    QVERIFY(ended.wait(4 * PageTimeoutMs));

    const QStringList expected[] = { { "Processing", "Failed" }, { "Processing", "OK" },
        { "Processing", "OK" }, { "Processing", "Failed" } };
    for (int row = 0; row < 4; ++row)
        QCOMPARE(rowEvents(row), expected[row]);
    UrlListWidget* list = m_window->urlList();
    QCOMPARE(list->topLevelItem(0)->toolTip(UrlListWidget::StatusColumn),
        QStringLiteral("Incorrect Username/Password"));
    QCOMPARE(list->topLevelItem(3)->toolTip(UrlListWidget::AddressColumn),
        QStringLiteral("Server error - you may be able to try again"));
    QCOMPARE(list->topLevelItem(1)->toolTip(UrlListWidget::StatusColumn), QString());
    QCOMPARE(
        m_messages.labelAtMessage, QStringLiteral("Conversion completed! 2 of 4 pages failed."));
    QCOMPARE(m_log.progress, QList<int>({ 25, 50, 75, 100, 0 }));
    QCOMPARE(m_log.events.filter("information:"),
        QStringList({ "information:Conversion completed!\n2 of 4 pages failed." }));
    QCOMPARE(m_log.events.last(), "open:" + m_outputFolder);
    QCOMPARE(outputFileCount(), 2);
    // The labels tell the end, not the last page's loading.
    QLabel* label = m_window->statusFrame()->statusLabel();
    QCOMPARE(label->text(), QStringLiteral("Conversion completed! 2 of 4 pages failed."));
    QCOMPARE(m_window->progressPanel()->statusLabel()->text(), label->text());

    // The next batch starts from a clean slate: a row that now succeeds loses
    // its old reason.
    m_server.route("/forbidden", TestHttpServer::page(TestPages::simplePage("F", "<p>ok</p>")));
    m_log = BatchLog();
    emit m_window->toolbar()->convertNow()->clicked();
    QVERIFY(ended.wait(4 * PageTimeoutMs));
    QCOMPARE(rowStatus(0), QStringLiteral("OK"));
    QCOMPARE(list->topLevelItem(0)->toolTip(UrlListWidget::StatusColumn), QString());
    QCOMPARE(m_log.events.filter("information:"),
        QStringList({ "information:Conversion completed!\n1 of 4 pages failed." }));

    // An emptied list leaves the labels nothing to speak of.
    m_window->menus()->removeSelected->trigger();
    QVERIFY(!label->text().isEmpty());
    m_window->menus()->clearAll->trigger();
    QCOMPARE(label->text(), QString());
    QCOMPARE(m_window->progressPanel()->statusLabel()->text(), QString());
}

void TestBatchDriver::pageRunningPastTheTimeoutFails()
{
    writeSettings(DefaultSettings + QStringLiteral("timeout=2\r\n"));
    addRows({ "/hang", "/a" });
    QSignalSpy ended(m_driver, &BatchDriver::batchEnded);
    m_window->menus()->convertNow->trigger();
    QVERIFY(ended.wait(PageTimeoutMs));
    QCOMPARE(rowStatus(0), QStringLiteral("Failed"));
    QVERIFY2(m_window->urlList()->topLevelItem(0)->toolTip(0).contains(
                 QStringLiteral("Timed out after 2 seconds")),
        qPrintable(m_window->urlList()->topLevelItem(0)->toolTip(0)));
    QCOMPARE(rowStatus(1), QStringLiteral("OK"));
    QCOMPARE(m_log.events.filter("information:"),
        QStringList({ "information:Conversion completed!\n1 of 2 pages failed." }));
}

void TestBatchDriver::encoderFaultIsShownOncePerBatch()
{
    // Every page is written over "page.png", which is a folder: the encoder
    // fails on each page.
    writeSettings(QStringLiteral("fileoption=0\r\nfilename=page\r\noutputformat=PNG\r\n"
                                 "existedfile=1\r\n"));
    QVERIFY(QDir(m_outputFolder).mkdir("page.png"));
    addRows({ "/a", "/b", "/c" });
    QSignalSpy ended(m_driver, &BatchDriver::batchEnded);
    m_window->menus()->convertNow->trigger();
    QVERIFY(ended.wait(3 * PageTimeoutMs));

    for (int row = 0; row < 3; ++row)
        QCOMPARE(rowStatus(row), QStringLiteral("Failed"));
    const QStringList faults = m_log.events.filter("critical:");
    QCOMPARE(faults.size(), 1);
    QVERIFY2(faults.first().startsWith("critical:Error:Can't save Image File!!"),
        qPrintable(faults.first()));
    QCOMPARE(m_log.events.filter("information:"),
        QStringList({ "information:Conversion completed!\n3 of 3 pages failed." }));

    // The next batch may say it again.
    m_log = BatchLog();
    m_window->menus()->convertNow->trigger();
    QVERIFY(ended.wait(3 * PageTimeoutMs));
    QCOMPARE(m_log.events.filter("critical:").size(), 1);
}

void TestBatchDriver::rowsEditedDuringABatch()
{
    addRows({ "/slow", "/a", "/b" });
    ConversionService* service = m_shell->context()->conversionService();
    QSignalSpy started(service, &ConversionService::started);
    QSignalSpy ended(m_driver, &BatchDriver::batchEnded);
    m_window->menus()->convertNow->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(started.size(), 1, PageTimeoutMs);

    // The row in work goes, and a new one comes: neither upsets the batch.
    UrlListWidget* list = m_window->urlList();
    list->setCurrentItem(list->topLevelItem(0));
    QVERIFY(list->removeSelectedRow());
    addRows({ "/c" });
    QVERIFY(ended.wait(3 * PageTimeoutMs));

    QCOMPARE(list->addresses(),
        QStringList({ m_server.url("/a").toString(), m_server.url("/b").toString(),
            m_server.url("/c").toString() }));
    QCOMPARE(rowStatus(0), QStringLiteral("OK"));
    QCOMPARE(rowStatus(1), QStringLiteral("OK"));
    QCOMPARE(rowStatus(2), QString());
    QCOMPARE(started.size(), 3);
    QCOMPARE(
        m_log.events.filter("information:"), QStringList({ "information:Conversion completed!" }));
    QCOMPARE(outputFileCount(), 3);
}

void TestBatchDriver::secondConvertNowOpensTheFolderAndTheBatchGoesOn()
{
    addRows({ "/slow", "/a" });
    QSignalSpy ended(m_driver, &BatchDriver::batchEnded);
    m_window->menus()->convertNow->trigger();
    QVERIFY(m_window->progressPanel()->isVisibleTo(m_window));

    m_shell->tray()->convertNow->trigger();
    QVERIFY(m_window->progressPanel()->isHidden());
    QCOMPARE(m_log.events.filter("open:"), QStringList({ "open:" + m_outputFolder }));
    QVERIFY(m_driver->isConverting());
    QCOMPARE(rowStatus(0), QStringLiteral("Processing"));

    QVERIFY(ended.wait(3 * PageTimeoutMs));
    QCOMPARE(ended.size(), 1);
    QCOMPARE(rowStatus(0), QStringLiteral("OK"));
    QCOMPARE(rowStatus(1), QStringLiteral("OK"));
    QCOMPARE(
        m_log.events.filter("information:"), QStringList({ "information:Conversion completed!" }));
    QCOMPARE(m_log.events.filter("open:").size(), 2);
    QCOMPARE(outputFileCount(), 2);
}

void TestBatchDriver::engineChosenInTheSettingsConvertsTheNextPages()
{
    if (ChromiumBrowser::find().isEmpty())
        QSKIP("No Chromium installed");
    const QString capture = QStringLiteral("[capture]\r\nengine=%1\r\n");
    writeSettings(DefaultSettings + capture.arg("qt"));
    addRows({ "/slow", "/a" });
    ConversionService* service = m_shell->context()->conversionService();
    auto* engine = m_window->statusFrame()->engineLabel();
    // Its notices (the sandbox turned off for root) are marked with a sign.
    const auto engineName
        = [engine] { return QString(engine->text()).remove(QStringLiteral("\u26a0 ")); };
    QVERIFY2(engineName().startsWith("Qt WebEngine "), qPrintable(engine->text()));
    QSignalSpy ended(m_driver, &BatchDriver::batchEnded);
    QSignalSpy started(service, &ConversionService::started);
    m_window->menus()->convertNow->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(started.size(), 1, PageTimeoutMs);

    // Changed while a page is in work: that page ends on its engine.
    writeSettings(DefaultSettings + capture.arg("chromium"));
    QVERIFY(!m_shell->context()->applyEngineSetting());
    QCOMPARE(service->engine().kind, EngineKind::Qt);
    QVERIFY(ended.wait(3 * PageTimeoutMs));
    // Once the queue is idle the new engine takes over, and the status bar's
    // field, which no batch writes, says which with its version.
    QTRY_COMPARE_WITH_TIMEOUT(service->engine().kind, EngineKind::Chromium, PageTimeoutMs);
    QVERIFY(service->browser());
    QTRY_VERIFY_WITH_TIMEOUT(engineName().startsWith("Chromium "), PageTimeoutMs);
    QVERIFY2(
        engineName().contains(QRegularExpression("^Chromium \\d+$")), qPrintable(engineName()));

    // The next batch converts on it, and a desktop that cannot show the
    // folder is told where the files are.
    m_opener.fileManager = false;
    m_log = BatchLog();
    m_window->menus()->convertNow->trigger();
    QVERIFY(ended.wait(3 * PageTimeoutMs));
    QCOMPARE(rowStatus(0), QStringLiteral("OK"));
    QCOMPARE(rowStatus(1), QStringLiteral("OK"));
    QVERIFY(!service->browser()->version().isEmpty());
    QVERIFY(m_log.events.filter("open:").isEmpty());
    QCOMPARE(m_log.events.filter("information:"),
        QStringList({ "information:Conversion completed!\nThe files are in " + m_outputFolder
            + " (no file manager is set up to show the folder)." }));
    QVERIFY(engineName().startsWith("Chromium "));
}

void TestBatchDriver::quitQuestionGoesWithTheBatch()
{
    addRows({ "/slow" });
    m_messages.realQuestion = true;
    QSignalSpy exited(m_shell->router(), &CommandRouter::applicationExited);
    m_window->menus()->convertNow->trigger();
    // The question is open when the batch ends under it: it closes, and the
    // program ends as asked, nothing being lost any more.
    bool questionShown = false;
    onNextModal([&questionShown](QWidget* box) { questionShown = box->isVisible(); }, QString(),
        "QMessageBox");
    m_window->menus()->exit->trigger();
    QVERIFY(questionShown);
    QCOMPARE(exited.size(), 1);
    QVERIFY(!m_driver->isConverting());
    QCOMPARE(rowStatus(0), QStringLiteral("OK"));
    QCOMPARE(
        m_log.events.filter("information:"), QStringList({ "information:Conversion completed!" }));
}

int main(int argc, char* argv[])
{
    PrepareEngineEnvironment();
    QApplication application(argc, argv);
    TestBatchDriver test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_batchdriver.moc"
