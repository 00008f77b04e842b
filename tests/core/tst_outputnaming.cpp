#include "naming/outputnaming.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

class TestOutputNaming : public QObject
{
    Q_OBJECT

private:
    static FileExistsFn existsIn(const QSet<QString>& files)
    {
        return [files](const QString& path) { return files.contains(path); };
    }

    static qsizetype nameBytes(const QString& path)
    {
        return QFile::encodeName(path.section('/', -1)).size();
    }

private slots:
    void urlToFileName_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("name");
        QTest::newRow("site") << "http://a.b/"
                              << "a_b";
        QTest::newRow("query") << "https://a.b/c/d.htm?x=1"
                               << "a_bcd_htm_x=1";
        QTest::newRow("file") << "file:///C:/pages/a.htm"
                              << "fileCpagesa_htm";
        QTest::newRow("specials") << "http://h/a\\b*c?d>e<f|g"
                                  << "ha_b_c_d_e_f_g";
        // Case-sensitive and applied everywhere, not only to the scheme.
        QTest::newRow("case") << "HTTP://x.org/httpdocs"
                              << "HTTPx_orgdocs";
        QTest::newRow("https first") << "https://httpsx"
                                     << "x";
    }

    void urlToFileName()
    {
        QFETCH(QString, address);
        QFETCH(QString, name);
        QCOMPARE(UrlToFileName(address), name);
    }

    void bitmapBasePath()
    {
        const QDateTime now(QDate(2026, 12, 6), QTime(16, 5, 20));
        QCOMPARE(DateTimeStamp(now), QString("120626160520"));
        QCOMPARE(
            DateTimeStamp(QDateTime(QDate(2009, 1, 2), QTime(3, 4, 5))), QString("010209030405"));
        QCOMPARE(BitmapBasePath("/out", true, "webimage", false, now, "http://a.b/"),
            QString("/out/webimage.BMP"));
        QCOMPARE(BitmapBasePath("/out/", true, "shot", true, now, "http://a.b/"),
            QString("/out/shot120626160520.BMP"));
        QCOMPARE(BitmapBasePath("/out", false, "webimage", true, now, "http://a.b/"),
            QString("/out/a_b.BMP"));
        // A custom name can never leave the output folder.
        QCOMPARE(BitmapBasePath("/out", true, "../../etc/x", false, now, ""),
            QString("/out/.._.._etc_x.BMP"));
        QCOMPARE(SanitizeCustomFileName(QString("a") + QChar(0) + "b/c"), QString("a_b_c"));
    }

    void numberingOfBitmapAndFinalFile()
    {
        const QString base = "/out/webimage.BMP";
        QCOMPARE(NumberedBitmapPath(base, true, existsIn({})), base);
        QCOMPARE(
            NumberedBitmapPath(base, true, existsIn({ base })), QString("/out/webimage_0.bmp"));
        QCOMPARE(NumberedBitmapPath(base, true, existsIn({ base, "/out/webimage_0.bmp" })),
            QString("/out/webimage_1.bmp"));
        QCOMPARE(NumberedBitmapPath(base, false, existsIn({ base })), base);

        // The final file counts on its own: a numbered bitmap gives name_0_0.jpg.
        QCOMPARE(FinalOutputPath(base, "jpg", true, existsIn({})), QString("/out/webimage.jpg"));
        QCOMPARE(FinalOutputPath(base, "jpg", true, existsIn({ "/out/webimage.jpg" })),
            QString("/out/webimage_0.jpg"));
        QCOMPARE(FinalOutputPath(
                     "/out/webimage_0.bmp", "jpg", true, existsIn({ "/out/webimage_0.jpg" })),
            QString("/out/webimage_0_0.jpg"));
        QCOMPARE(FinalOutputPath(base, "tiff", false, existsIn({ "/out/webimage.tiff" })),
            QString("/out/webimage.tiff"));
        QCOMPARE(ThumbnailPathFor("/out/name_0.bmp"), QString("/out/name_0_Thumbnail.jpg"));
    }

    void threePagesOnDisk()
    {
        // The batch sequence against a real folder: bitmap copy, final file,
        // bitmap deleted, three times.
        QTemporaryDir dir;
        const FileExistsFn exists = [](const QString& p) { return QFile::exists(p); };
        const QDateTime now(QDate(2026, 12, 6), QTime(16, 5, 20));
        for (int page = 0; page < 3; ++page) {
            const QString bitmap = NumberedBitmapPath(
                BitmapBasePath(dir.path(), true, "webimage", false, now, ""), true, exists);
            QFile(bitmap).open(QIODevice::WriteOnly);
            QFile(FinalOutputPath(bitmap, "jpg", true, exists)).open(QIODevice::WriteOnly);
            QVERIFY(QFile::remove(bitmap));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
            QStringList({ "webimage.jpg", "webimage_0.jpg", "webimage_1.jpg" }));
    }

    void longNamesKeepNumberAndExtension()
    {
        const QDateTime now(QDate(2026, 12, 6), QTime(16, 5, 20));
        // Multi-byte characters so the cut must respect character boundaries.
        const QString longName = QString(200, QChar(0x00E9)) + QString(10, QChar('x'));
        const QString base = BitmapBasePath("/out", true, longName, true, now, "");
        QVERIFY(nameBytes(base) <= 255);
        QVERIFY(base.endsWith("120626160520.BMP"));
        QVERIFY(base.startsWith("/out/" + QString(100, QChar(0x00E9))));

        const QString numbered = NumberedBitmapPath(base, true, existsIn({ base }));
        QVERIFY(numbered.endsWith("_0.bmp"));
        QVERIFY(nameBytes(numbered) <= 255);
        const QString final = FinalOutputPath(numbered, "tiff", true, existsIn({}));
        QVERIFY(final.endsWith("_0.tiff"));
        const QString final2 = FinalOutputPath(numbered, "tiff", true, existsIn({ final }));
        QVERIFY(final2.endsWith("_0_0.tiff"));
        QVERIFY(nameBytes(final2) <= 255);
        QVERIFY(nameBytes(final) <= 255);
        const QString thumbnail = ThumbnailPathFor(numbered);
        QVERIFY(thumbnail.endsWith("_0_Thumbnail.jpg"));
        QVERIFY(nameBytes(thumbnail) <= 255);

        const QString fromAddress = BitmapBasePath(
            "/out", false, "", false, now, "http://example.org/" + QString(400, QChar('p')));
        QVERIFY(nameBytes(fromAddress) <= 255);
        QVERIFY(fromAddress.startsWith("/out/example_orgppp"));
    }
};

QTEST_GUILESS_MAIN(TestOutputNaming)
#include "tst_outputnaming.moc"
