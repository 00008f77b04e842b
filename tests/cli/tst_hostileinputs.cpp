#include "cli/convertcommand.h"
#include "engine/setup/enginesetup.h"
#include "testpages.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <sys/stat.h>

// Command lines an attacker or a slip of the hand could give: inputs and
// settings files that are no regular files, values outside their range, and a
// run killed in the middle of a page.
class TestHostileInputs : public QObject
{
    Q_OBJECT
public:
    static void initMain() { PrepareEngineEnvironment(); }

private slots:
    void initTestCase();
    void settingsFilesThatAreNoFilesAreRefused_data();
    void settingsFilesThatAreNoFilesAreRefused();
    void fifoAsPageOrListNeverHangs();
    void setRefusesValuesOutsideTheirRange_data();
    void setRefusesValuesOutsideTheirRange();
    void killedRunLeavesOnlyHiddenFilesThatTheNextRunRemoves();

private:
    int run(const QStringList& arguments);

    QTemporaryDir m_dir;
    QString m_out;
    QString m_err;
};

void TestHostileInputs::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
    QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    QVERIFY(mkfifo(QFile::encodeName(m_dir.filePath(QStringLiteral("fifo.ulf"))).constData(), 0600)
        == 0);
    QVERIFY(QFile::link(
        m_dir.filePath(QStringLiteral("loop")), m_dir.filePath(QStringLiteral("loop"))));
    QFile large(m_dir.filePath(QStringLiteral("large.dat")));
    // Sparse: a hundred megabytes that cost no disk.
    QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(100 * 1024 * 1024));
}

int TestHostileInputs::run(const QStringList& arguments)
{
    m_out.clear();
    m_err.clear();
    QTextStream out(&m_out);
    QTextStream err(&m_err);
    QBuffer input;
    input.open(QIODevice::ReadOnly);
    ConvertCommand command(m_dir.path());
    command.setStandardInput(&input);
    const int code = command.run(arguments, out, err);
    out.flush();
    err.flush();
    return code;
}

void TestHostileInputs::settingsFilesThatAreNoFilesAreRefused_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message");
    const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
    QTest::newRow("FIFO") << fifo << fifo + " is not a regular file";
    QTest::newRow("folder") << m_dir.path() << m_dir.path() + " is not a regular file";
    QTest::newRow("device") << "/dev/zero"
                            << "/dev/zero is not a regular file";
    const QString loop = m_dir.filePath(QStringLiteral("loop"));
    QTest::newRow("link loop") << loop << loop + ": too many levels of symbolic links";
    const QString large = m_dir.filePath(QStringLiteral("large.dat"));
    QTest::newRow("100 MB") << large << large + " is too large for a settings file (over 1 MB)";
    QTest::newRow("missing") << m_dir.filePath(QStringLiteral("none.dat"))
                             << "no settings file " + m_dir.filePath(QStringLiteral("none.dat"));
}

void TestHostileInputs::settingsFilesThatAreNoFilesAreRefused()
{
    QFETCH(QString, file);
    QFETCH(QString, message);
    QCOMPARE(run({ "--settings", file, "a.html" }), 2);
    QCOMPARE(m_err.section(QLatin1Char('\n'), 0, 0), "pagelith-convert: " + message);
}

void TestHostileInputs::fifoAsPageOrListNeverHangs()
{
    // Opening either would wait for a writer that never comes.
    const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
    const QString out = m_dir.filePath(QStringLiteral("fifo-out"));
    QCOMPARE(run({ "-o", out, fifo }), 1);
    QVERIFY2(m_out.contains(fifo + QStringLiteral(" is not a regular file")), qPrintable(m_out));
    QCOMPARE(run({ "-o", out, m_dir.filePath(QStringLiteral("fifo.ulf")) }), 2);
    QVERIFY2(m_err.contains(QStringLiteral("not a regular file")), qPrintable(m_err));
}

void TestHostileInputs::setRefusesValuesOutsideTheirRange_data()
{
    QTest::addColumn<QString>("assignment");
    QTest::addColumn<QString>("problem");
    QTest::newRow("quality 0") << "quality=0"
                               << "quality takes a number from 1 to 100";
    QTest::newRow("quality 101") << "quality=101"
                                 << "quality takes a number from 1 to 100";
    QTest::newRow("quality -5") << "quality=-5"
                                << "quality takes a number from 1 to 100";
    QTest::newRow("deviation 256") << "IDeviation=256"
                                   << "IDeviation takes a number from 0 to 255";
    QTest::newRow("place 5") << "Twz=5"
                             << "Twz takes a number from 0 to 4";
    QTest::newRow("timeout over a day") << "timeout=86401"
                                        << "timeout takes a number from 0 to 86400";
    QTest::newRow("colour") << "textcolor=16777216"
                            << "textcolor takes a number from 0 to 16777215";
    QTest::newRow("capture width") << "width=99"
                                   << "width takes a number from 100 to 10000";
    QTest::newRow("pdf paper") << "pdf-paper=B7"
                               << "pdf-paper takes A3, A4";
    QTest::newRow("colour scheme") << "color-scheme=blue"
                                   << "color-scheme takes light or dark";
    // The ends of the ranges are values like any other.
    QTest::newRow("quality 1") << "quality=1" << QString();
    QTest::newRow("quality 100") << "quality=100" << QString();
    QTest::newRow("opacity 1") << "IOpacity=1" << QString();
    QTest::newRow("media in capitals") << "media=PRINT" << QString();
}

void TestHostileInputs::setRefusesValuesOutsideTheirRange()
{
    QFETCH(QString, assignment);
    QFETCH(QString, problem);
    // A list that is not there stops an accepted command line right after its options.
    QCOMPARE(run({ "--set", assignment, m_dir.filePath(QStringLiteral("none.ulf")) }), 2);
    if (problem.isEmpty())
        QVERIFY2(m_err.contains(QStringLiteral("cannot read the list")), qPrintable(m_err));
    else
        QVERIFY2(m_err.contains("--set " + assignment + ": " + problem), qPrintable(m_err));
}

void TestHostileInputs::killedRunLeavesOnlyHiddenFilesThatTheNextRunRemoves()
{
    const QString program = QDir(QCoreApplication::applicationDirPath())
                                .filePath(QStringLiteral("../../bin/pagelith-convert"));
    if (!QFile::exists(program))
        QSKIP("pagelith-convert is not built beside the tests");
    const QString tall = TestPages::writePage(
        m_dir.path(), QStringLiteral("tall.html"), TestPages::bandedPage(1200, 20000));
    const QString out = m_dir.filePath(QStringLiteral("killed"));
    const QString temp = m_dir.filePath(QStringLiteral("killedtemp"));
    QVERIFY(QDir().mkpath(temp));
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), temp);
    child.setProcessEnvironment(environment);
    QSignalSpy ended(&child, &QProcess::finished);
    child.start(program, { "-o", out, "-f", "tiff", "--set", "Thumbnail=1", tall });
    QVERIFY(child.waitForStarted());
    // Killed while the final file is being written, after the bitmap copy and the thumbnail.
    QTRY_VERIFY_WITH_TIMEOUT(
        !QDir(out).entryList({ QStringLiteral("*.tif*") }, QDir::Files | QDir::Hidden).isEmpty(),
        60000);
    child.kill();
    QVERIFY(ended.wait(60000));
    const QStringList left = QDir(out).entryList(QDir::Files | QDir::Hidden);
    const QStringList visible = QDir(out).entryList(QDir::Files);
    // Either the page was done in the moment before the kill, or only hidden files stay.
    QVERIFY2(visible.isEmpty() || !visible.contains(QStringLiteral("webimage.BMP")),
        qPrintable(left.join(' ')));
    for (const QString& name : visible)
        QVERIFY2(name == QLatin1String("webimage.tif")
                || name == QLatin1String("webimage_Thumbnail.jpg"),
            qPrintable(left.join(' ')));
    if (!visible.isEmpty())
        QSKIP("the page was written before the kill");
    QVERIFY(!left.isEmpty());
    // A minute later the next run in that folder removes them; its own page takes
    // the name the killed run had claimed.
    for (const QString& name : left) {
        QFile file(QDir(out).filePath(name));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(
            QDateTime::currentDateTime().addSecs(-120), QFileDevice::FileModificationTime));
    }
    const QString small = TestPages::writePage(
        m_dir.path(), QStringLiteral("small.html"), TestPages::bandedPage(300, 200));
    QCOMPARE(run({ "-o", out, "-f", "png", small }), 0);
    QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList { "webimage.png" });
}

QTEST_MAIN(TestHostileInputs)
#include "tst_hostileinputs.moc"
