#include "core/urllist/urllistfile.h"
#include "filebytes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestUrlListFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void savesExactBytesAndLoadsBack()
    {
        const QString file = m_dir.filePath("two.ulf");
        QString error;
        QVERIFY(SaveUrlList(
            file, { { "http://a.b/", "JPG" }, { "/home/u/page one.htm", "JPG" } }, &error));
        QCOMPARE(
            FileBytes::read(file), QByteArray("http://a.b/\tJPG\r\n/home/u/page one.htm\tJPG\r\n"));

        QStringList addresses;
        QVERIFY(LoadUrlList(file, &addresses, &error));
        QCOMPARE(addresses, QStringList({ "http://a.b/", "/home/u/page one.htm" }));
    }

    void emptyListGivesEmptyFile()
    {
        const QString file = m_dir.filePath("empty.ulf");
        FileBytes::write(file, "old content");
        QVERIFY(SaveUrlList(file, {}, nullptr));
        QCOMPARE(QFileInfo(file).size(), 0);
        QStringList addresses { "stale" };
        QVERIFY(LoadUrlList(file, &addresses, nullptr));
        QVERIFY(addresses.isEmpty());
    }

    void acceptsEveryLineEnd()
    {
        const QString file = m_dir.filePath("mixed.ulf");
        // LF only, a lone CR, CR LF, a line without a TAB, extra fields, empty
        // and blank lines, and a last line without an end.
        FileBytes::write(file, "a\tJPG\nb\rc\r\n\r\n\n   \nd\tx\ty\n\tPNG\ne");
        QStringList addresses;
        QVERIFY(LoadUrlList(file, &addresses, nullptr));
        QCOMPARE(addresses, QStringList({ "a", "b", "c", "d", "e" }));
    }

    void cellsCannotBreakTheLineFormat()
    {
        const QString file = m_dir.filePath("cells.ulf");
        QVERIFY(SaveUrlList(file, { { "a\tb\nc", "J\r\nPG" } }, nullptr));
        QCOMPARE(FileBytes::read(file), QByteArray("a b c\tJ  PG\r\n"));
    }

    void failuresAreReportedAndChangeNothing()
    {
        QString error;
        QStringList addresses { "kept" };
        QVERIFY(!LoadUrlList(m_dir.filePath("missing.ulf"), &addresses, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(addresses, QStringList({ "kept" }));

        error.clear();
        QVERIFY(!SaveUrlList(m_dir.filePath("no/such/dir/x.ulf"), { { "a", "BMP" } }, &error));
        QVERIFY(!error.isEmpty());

        // A folder in the way of the file is neither replaced nor read.
        const QString folder = m_dir.filePath("folder.ulf");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(!SaveUrlList(folder, { { "a", "BMP" } }, &error));
        QVERIFY(QFileInfo(folder).isDir());
        QVERIFY(!LoadUrlList(folder, &addresses, &error));
        QCOMPARE(addresses, QStringList({ "kept" }));
    }
};

QTEST_GUILESS_MAIN(TestUrlListFile)
#include "tst_urllistfile.moc"
