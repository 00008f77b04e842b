#include "convertcommand.h"
#include "enginesetup.h"
#include "settings/inifile.h"
#include "testhttpserver.h"
#include "testpages.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

class TestConvertCommand : public QObject
{
    Q_OBJECT
public:
    static void initMain() { PrepareEngineEnvironment(); }

private slots:
    void initTestCase();
    void usageErrorsExitWithTwo_data();
    void usageErrorsExitWithTwo();
    void listsWithoutAddressesExitWithTwo();
    void helpAndVersion();
    void mixedInputsReportEachPageAndExitWithOne();
    void allPagesWrittenExitWithZero();
    void leavesTheApplicationFoldersTemporaryFilesAlone();

private:
    int run(const QStringList& arguments);

    QTemporaryDir m_dir;
    QString m_appFolder;
    TestHttpServer m_server;
    QString m_out;
    QString m_err;
};

void TestConvertCommand::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(m_server.start());
    m_appFolder = m_dir.filePath(QStringLiteral("app"));
    QVERIFY(QDir().mkpath(m_appFolder));
}

int TestConvertCommand::run(const QStringList& arguments)
{
    m_out.clear();
    m_err.clear();
    QTextStream out(&m_out);
    QTextStream err(&m_err);
    ConvertCommand command(m_appFolder);
    const int code = command.run(arguments, out, err);
    out.flush();
    err.flush();
    return code;
}

void TestConvertCommand::usageErrorsExitWithTwo_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("no input") << QStringList {} << "no input given";
    QTest::newRow("unknown option") << QStringList { "--frobnicate", "a.html" } << "Unknown option";
    QTest::newRow("unknown format")
        << QStringList { "-f", "webp", "a.html" } << "unknown format 'webp'";
    QTest::newRow("missing settings") << QStringList { "--settings", "/nonexistent/settings.dat",
        "a.html" } << "no settings file";
    QTest::newRow("missing list") << QStringList { "/nonexistent/list.ulf" }
                                  << "cannot read the list";
}

void TestConvertCommand::usageErrorsExitWithTwo()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QCOMPARE(run(arguments), 2);
    QVERIFY2(m_err.contains(message), qPrintable(m_err));
    QVERIFY(m_out.isEmpty());
}

void TestConvertCommand::listsWithoutAddressesExitWithTwo()
{
    const QString empty
        = TestPages::writePage(m_dir.path(), QStringLiteral("empty.ulf"), QByteArray());
    const QString blank
        = TestPages::writePage(m_dir.path(), QStringLiteral("blank.ulf"), "\r\n  \r\n\t\r\n");
    QCOMPARE(run({ empty }), 2);
    QVERIFY2(m_err.contains(QStringLiteral("no addresses to convert")), qPrintable(m_err));
    QCOMPARE(run({ empty, blank }), 2);
    QVERIFY2(m_err.contains(QStringLiteral("no addresses to convert")), qPrintable(m_err));
    QVERIFY(m_out.isEmpty());
}

void TestConvertCommand::helpAndVersion()
{
    QCOMPARE(run({ QStringLiteral("--help") }), 0);
    QVERIFY(m_out.contains(QStringLiteral("--output-folder")));
    QVERIFY(m_out.contains(QStringLiteral("--settings")));
    QCOMPARE(run({ QStringLiteral("--version") }), 0);
    QVERIFY(m_out.startsWith(QStringLiteral("pagelith-convert ")));
}

void TestConvertCommand::mixedInputsReportEachPageAndExitWithOne()
{
    const QString page = TestPages::writePage(
        m_dir.path(), QStringLiteral("one.html"), TestPages::bandedPage(1000, 1200));
    TestPages::writePage(
        m_dir.path(), QStringLiteral("two.html"), TestPages::bandedPage(1000, 900));
    m_server.route(QStringLiteral("/missing"), TestHttpServer::status(404));
    // A list file names a page relative to itself, and a page that fails.
    const QString list = TestPages::writePage(m_dir.path(), QStringLiteral("list.ulf"),
        "two.html\tPNG\r\n" + m_server.url(QStringLiteral("/missing")).toString().toLatin1()
            + "\tPNG\r\n");
    const QString out = m_dir.filePath(QStringLiteral("mixed"));
    // No settings.dat in the application folder: every setting has its default.
    QCOMPARE(run({ QStringLiteral("-o"), out, QStringLiteral("--format"), QStringLiteral("png"),
                 page, list }),
        1);
    const QStringList lines = m_out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    QVERIFY2(QRegularExpression(
                 QStringLiteral("^1/3 OK \\d+\\.\\d\\d s .*one\\.html -> .*webimage\\.png$"))
                 .match(lines[0])
                 .hasMatch(),
        qPrintable(lines[0]));
    QVERIFY2(lines[1].startsWith(QStringLiteral("2/3 OK "))
            && lines[1].endsWith(QStringLiteral("webimage_0.png")),
        qPrintable(lines[1]));
    QVERIFY2(lines[2].startsWith(QStringLiteral("3/3 FAILED "))
            && lines[2].endsWith(QStringLiteral(": HTTP 404 Not Found")),
        qPrintable(lines[2]));
    QVERIFY2(lines[3].startsWith(QStringLiteral("3 pages: 2 written, 1 failed, ")),
        qPrintable(lines[3]));
    QCOMPARE(QDir(out).entryList(QDir::Files, QDir::Name),
        (QStringList { "webimage.png", "webimage_0.png" }));
    QVERIFY(!QFile::exists(QDir(m_appFolder).filePath(QStringLiteral("tempimage.bmp"))));
}

void TestConvertCommand::allPagesWrittenExitWithZero()
{
    // Settings from another file: the name comes from the address, JPG.
    const QString settings = m_dir.filePath(QStringLiteral("other.dat"));
    const QString out = m_dir.filePath(QStringLiteral("fromsettings"));
    WriteSetting(settings, QStringLiteral("set"), QStringLiteral("outputfolder"), out);
    WriteSetting(
        settings, QStringLiteral("set"), QStringLiteral("fileoption"), QStringLiteral("1"));
    WriteSetting(
        settings, QStringLiteral("set"), QStringLiteral("outputformat"), QStringLiteral("JPG"));
    m_server.route(
        QStringLiteral("/page.htm"), TestHttpServer::page(TestPages::bandedPage(1000, 800)));
    QCOMPARE(run({ QStringLiteral("--settings"), settings,
                 m_server.url(QStringLiteral("/page.htm")).toString() }),
        0);
    QVERIFY2(m_out.contains(QStringLiteral("1 page: 1 written, 0 failed")), qPrintable(m_out));
    QCOMPARE(QDir(out).entryList(QDir::Files),
        QStringList { QStringLiteral("127_0_0_1%1page_htm.jpg").arg(m_server.port()) });
}

void TestConvertCommand::leavesTheApplicationFoldersTemporaryFilesAlone()
{
    // The desktop program is converting a page of its own at the same time.
    const QDir app(m_appFolder);
    const QStringList theirs { QStringLiteral("tempimage.bmp"), QStringLiteral("WEBtemp.htm") };
    for (const QString& name : theirs)
        TestPages::writePage(m_appFolder, name, "in use: " + name.toLatin1());
    const QString page = TestPages::writePage(
        m_dir.path(), QStringLiteral("text.html"), "<html><body><p>Some text</p></body></html>");
    const QString out = m_dir.filePath(QStringLiteral("besidegui"));
    QCOMPARE(
        run({ QStringLiteral("-o"), out, QStringLiteral("-f"), QStringLiteral("png"), page }), 0);
    QCOMPARE(
        run({ QStringLiteral("-o"), out, QStringLiteral("-f"), QStringLiteral("txt"), page }), 0);
    QCOMPARE(QDir(out).entryList(QDir::Files, QDir::Name),
        (QStringList { "webimage.png", "webimage.txt" }));
    for (const QString& name : theirs) {
        QFile file(app.filePath(name));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name));
        QCOMPARE(file.readAll(), "in use: " + name.toLatin1());
        file.close();
        QVERIFY(file.remove());
    }
}

QTEST_MAIN(TestConvertCommand)
#include "tst_convertcommand.moc"
