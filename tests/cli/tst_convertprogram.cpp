#include "engine/setup/enginesetup.h"
#include "testpages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

// The programs as a shell starts them: what their own main() does with the
// command line before and around Qt, and with standard input and output.
class TestConvertProgram : public QObject
{
    Q_OBJECT
public:
    static void initMain() { PrepareEngineEnvironment(); }

private slots:
    void initTestCase();
    void helpAndVersionNeedNoDisplay();
    void styleSheetAndOutputFile();
    void standardInputStopsAtASignal_data();
    void standardInputStopsAtASignal();
    void endlessStandardInputIsRefused();

private:
    static QString program(const QString& name);
    // Waits until the child handles SIGINT and SIGTERM itself.
    static bool handlesStopSignals(const QProcess& child);

    QTemporaryDir m_dir;
};

QString TestConvertProgram::program(const QString& name)
{
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QStringLiteral("../../bin/") + name);
}

bool TestConvertProgram::handlesStopSignals(const QProcess& child)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(child.processId()));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) {
            const qulonglong caught = line.mid(7).trimmed().toULongLong(nullptr, 16);
            const qulonglong wanted = (1ull << (SIGINT - 1)) | (1ull << (SIGTERM - 1));
            return (caught & wanted) == wanted;
        }
    }
    return false;
}

void TestConvertProgram::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (!QFile::exists(program(QStringLiteral("pagelith-convert")))
        || !QFile::exists(program(QStringLiteral("pagelith"))))
        QSKIP("the programs are not built beside the tests");
}

void TestConvertProgram::helpAndVersionNeedNoDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(QString::fromLatin1(name));
    for (const QString& option : { QStringLiteral("--help"), QStringLiteral("--version") }) {
        QProcess child;
        child.setProcessEnvironment(environment);
        child.start(program(QStringLiteral("pagelith")), { option });
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        const QByteArray printed = child.readAllStandardOutput();
        QVERIFY2(
            printed.startsWith(option == QLatin1String("--help") ? "Usage: pagelith" : "pagelith "),
            printed.constData());
    }
}

void TestConvertProgram::styleSheetAndOutputFile()
{
    const QString page = TestPages::writePage(m_dir.path(), QStringLiteral("plain.html"),
        "<!DOCTYPE html><html><body style='margin:0;background:white'><p>x</p></body></html>");
    const QString style = TestPages::writePage(m_dir.path(), QStringLiteral("green.css"),
        "body { background: rgb(0, 128, 0) !important }");
    // "-o NAME.png" with one input is that file, never a folder of that name; and
    // "--style" is ours, not Qt's widget style.
    const QString shot = m_dir.filePath(QStringLiteral("shot.png"));
    QProcess child;
    child.start(
        program(QStringLiteral("pagelith-convert")), { "--style", style, "-o", shot, page });
    QVERIFY(child.waitForFinished(120000));
    QVERIFY2(child.exitCode() == 0, child.readAllStandardError().constData());
    QVERIFY(QFileInfo(shot).isFile());
    QCOMPARE(QImage(shot).pixelColor(5, 5), QColor(0, 128, 0));

    // A style file that is not there is named, and nothing is converted.
    child.start(program(QStringLiteral("pagelith-convert")),
        { "--style", m_dir.filePath(QStringLiteral("none.css")), "-o", shot, page });
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitCode(), 2);
    QVERIFY(child.readAllStandardError().contains("--style: Cannot read"));

    // "-O -": the picture on standard output, the people's lines on standard error.
    child.start(program(QStringLiteral("pagelith-convert")), { "-O", "-", "-f", "png", page });
    QVERIFY(child.waitForFinished(120000));
    QCOMPARE(child.exitCode(), 0);
    const QImage piped = QImage::fromData(child.readAllStandardOutput(), "PNG");
    QCOMPARE(piped.pixelColor(5, 5), QColor(Qt::white));
    QVERIFY(child.readAllStandardError().contains("1/1 OK "));
    // --output-file into a folder that does not exist yet, the format its extension's.
    const QString named = m_dir.filePath(QStringLiteral("new/page.jpeg"));
    child.start(program(QStringLiteral("pagelith-convert")), { "--output-file", named, page });
    QVERIFY(child.waitForFinished(120000));
    QCOMPARE(child.exitCode(), 0);
    QFile jpeg(named);
    QVERIFY(jpeg.open(QIODevice::ReadOnly));
    QVERIFY(jpeg.read(3) == QByteArray("\xff\xd8\xff"));
    QCOMPARE(QDir(m_dir.filePath(QStringLiteral("new"))).entryList(QDir::Files | QDir::Hidden),
        QStringList { QStringLiteral("page.jpeg") });
}

void TestConvertProgram::standardInputStopsAtASignal_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
}

void TestConvertProgram::standardInputStopsAtASignal()
{
    QFETCH(int, signalNumber);
    // A pipe whose writer neither writes nor closes it.
    QProcess child;
    QSignalSpy ended(&child, &QProcess::finished);
    child.start(program(QStringLiteral("pagelith-convert")), { "-" });
    QVERIFY(child.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(handlesStopSignals(child), 30000);
    ::kill(pid_t(child.processId()), signalNumber);
    QVERIFY(ended.wait(30000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 128 + signalNumber);
    QVERIFY(child.readAllStandardError().contains("Stopped by SIG"));
}

void TestConvertProgram::endlessStandardInputIsRefused()
{
    QProcess child;
    QSignalSpy ended(&child, &QProcess::finished);
    child.setStandardInputFile(QStringLiteral("/dev/zero"));
    child.start(program(QStringLiteral("pagelith-convert")), { "-" });
    const bool done = ended.wait(60000);
    if (!done)
        child.kill();
    QVERIFY(done);
    QCOMPARE(child.exitCode(), 2);
    QVERIFY(child.readAllStandardError().contains("standard input line 1 is longer than"));
}

QTEST_MAIN(TestConvertProgram)
#include "tst_convertprogram.moc"
