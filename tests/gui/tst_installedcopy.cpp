// The desktop program as an installed copy: a batch and the schedule write into
// the user's folders, the shipped settings give the defaults, and nothing is
// written beside the program.

#include "engine/setup/enginesetup.h"
#include "gui/app/appshell.h"
#include "gui/convert/batchdriver.h"
#include "gui/desktop/urlopener.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/statusframe.h"
#include "gui/urllist/urllistwidget.h"
#include "recordingpresenter.h"
#include "testhttpserver.h"
#include "testpages.h"

#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

namespace {

class RecordingOpener : public UrlOpener
{
public:
    QStringList opened;
    bool open(const QUrl& url) override
    {
        opened << url.toLocalFile();
        return true;
    }
    bool opensFolders() override { return true; }
};

QString userFolder(QStandardPaths::StandardLocation location, const QString& name)
{
    return QDir(QStandardPaths::writableLocation(location)).filePath(name);
}

} // namespace

class TestInstalledCopy : public QObject
{
    Q_OBJECT
public:
    static void initMain() { PrepareEngineEnvironment(); }

private slots:
    void batchAndScheduleUseTheUsersFolders();
};

void TestInstalledCopy::batchAndScheduleUseTheUsersFolders()
{
    QStandardPaths::setTestModeEnabled(true);
    const QString config = userFolder(QStandardPaths::GenericConfigLocation, "pagelith");
    const QString pictures = userFolder(QStandardPaths::PicturesLocation, "Pagelith");
    QDir(config).removeRecursively();
    QDir(pictures).removeRecursively();
    TestHttpServer server;
    QVERIFY(server.start());
    server.route("/a", TestHttpServer::page(TestPages::simplePage("A", "<p>installed</p>")));

    QTemporaryDir program;
    QVERIFY(program.isValid());
    TestPages::writePage(program.path(), "logo.jpg", QByteArray());
    TestPages::writePage(program.path(), "installed-copy", QByteArray());
    TestPages::writePage(program.path(), "settings.dat", "[set]\r\noutputformat=PNG\r\n");
    const QStringList shipped = QDir(program.path()).entryList(QDir::Files, QDir::Name);

    RecordingPresenter messages;
    RecordingOpener opener;
    ShellServices services;
    services.messages = &messages;
    services.opener = &opener;
    services.trayAvailable = [] { return false; };
    {
        AppShell shell(program.path(), services);
        QVERIFY(shell.start());
        MainWindow* window = shell.mainWindow();
        // Root is told in the status bar that the engine runs without its sandbox.
        QCOMPARE(window->statusFrame()->statusLabel()->text().contains(
                     QStringLiteral("without its sandbox")),
            geteuid() == 0);
        auto* driver = window->findChild<BatchDriver*>("batchDriver");
        QVERIFY(driver);
        window->urlList()->appendRow(server.url("/a").toString(), QStringLiteral("PNG"));
        QSignalSpy ended(driver, &BatchDriver::batchEnded);
        driver->start();
        QVERIFY(ended.wait(120000));
        QCOMPARE(ended.first().first().toBool(), true);
        QCOMPARE(opener.opened, QStringList { pictures });
    }
    QCOMPARE(QDir(pictures).entryList(QDir::Files), QStringList { "webimage.png" });
    // Closing saved the schedule with the user's settings.
    QVERIFY(QFileInfo::exists(QDir(config).filePath("schedule.dat")));
    QCOMPARE(QDir(program.path()).entryList(QDir::Files, QDir::Name), shipped);
    QDir(config).removeRecursively();
    QDir(pictures).removeRecursively();
}

QTEST_MAIN(TestInstalledCopy)
#include "tst_installedcopy.moc"
