#include "core/naming/outputnaming.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <latch>

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
        // The thumbnail follows the file it shows, number included, whatever the
        // length of its extension.
        QCOMPARE(ThumbnailPathFor("/out/name_0.bmp"), QString("/out/name_0_Thumbnail.jpg"));
        QCOMPARE(
            ThumbnailPathFor("/out/webimage_1.tiff"), QString("/out/webimage_1_Thumbnail.jpg"));
        QCOMPARE(ThumbnailPathFor("/o.ut/webimage.BMP"), QString("/o.ut/webimage_Thumbnail.jpg"));
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

        // Digits after "_" are kept as the numbering only while they fit.
        const QString digits
            = BitmapBasePath("/out", true, "x_" + QString(300, '7'), true, now, "");
        QCOMPARE(nameBytes(digits), 255);
        QVERIFY(digits.startsWith("/out/x_777") && digits.endsWith("7120626160520.BMP"));
        QCOMPARE(nameBytes(BitmapBasePath(
                     "/out", false, "", false, now, "http://a/x_" + QString(300, '7'))),
            255);
    }

    void megabyteValuesFitQuickly()
    {
        // The whole naming of one page for a 1 MB custom name and a 1 MB
        // address. Fitting is linear (a few milliseconds); cutting one
        // character at a time and encoding again took minutes.
        const QDateTime now(QDate(2026, 12, 6), QTime(16, 5, 20));
        const QString huge(1 << 20, QChar(0x00E9));
        QElapsedTimer timer;
        timer.start();
        const QString custom = BitmapBasePath("/out", true, huge, true, now, "");
        const QString numbered = NumberedBitmapPath(custom, true, existsIn({ custom }));
        const QString fromAddress = BitmapBasePath(
            "/out", false, "", false, now, "http://a.b/" + QString(1 << 20, QChar('q')));
        QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(nameBytes(custom), 254); // 119 two-byte characters, stamp and ".BMP"
        QVERIFY(numbered.endsWith("_0.bmp") && nameBytes(numbered) <= 255);
        QCOMPARE(nameBytes(fromAddress), 255);
    }

    void surrogatePairsAreNeverSplit()
    {
        // U+1F600 is four bytes: 1 + 62 * 4 + 4 bytes fit, a 63rd would not,
        // and the cut must not leave half of it behind.
        const QDateTime now;
        const QString face = QString::fromUcs4(U"\U0001F600");
        QString name = "a";
        for (int i = 0; i < 100; ++i)
            name += face;
        const QString base = BitmapBasePath("/out", true, name, false, now, "");
        QCOMPARE(base, "/out/a" + face.repeated(62) + ".BMP");
        // Odd budgets: "x" shifts the cut into every position of a pair.
        for (int pad = 0; pad < 4; ++pad) {
            const QString fitted
                = BitmapBasePath("/out", true, QString(pad, QChar('x')) + name, false, now, "");
            QVERIFY(QStringView(fitted).isValidUtf16());
            QVERIFY(nameBytes(fitted) <= 255 && nameBytes(fitted) > 251);
        }
        // The last character of the name, with room for only part of it.
        QCOMPARE(BitmapBasePath("/out", true, QString(248, 'x') + face, false, now, ""),
            "/out/" + QString(248, 'x') + ".BMP");
    }

    void claimsTakeTheNameOnDisk()
    {
        QTemporaryDir dir;
        const QString base = dir.filePath("webimage.BMP");
        // The second claimer, before anything is written, gets the next number.
        const OutputClaim first = ClaimBitmapPath(base, true);
        const OutputClaim second = ClaimBitmapPath(base, true);
        QCOMPARE(first.path, base);
        QCOMPARE(second.path, dir.filePath("webimage_0.bmp"));
        QVERIFY(first.placeholder && second.placeholder);
        // Taken by hidden files: a run killed now leaves nothing under the names.
        QVERIFY(QFile::exists(first.partial) && QFile::exists(second.partial));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
        QVERIFY(QFileInfo(first.partial).fileName().startsWith(".webimage.pagelith-"));
        QVERIFY(first.partial.endsWith(".BMP") && second.partial.endsWith(".bmp"));

        // Final files number on their own from the bitmap's stem.
        QCOMPARE(ClaimFinalOutputPath(first.path, "jpg", true).path, dir.filePath("webimage.jpg"));
        QCOMPARE(
            ClaimFinalOutputPath(first.path, "jpg", true).path, dir.filePath("webimage_0.jpg"));
        QCOMPARE(
            ClaimFinalOutputPath(second.path, "jpg", true).path, dir.filePath("webimage_0_0.jpg"));

        // A dangling link is taken, not written through.
        QVERIFY(QFile::link(dir.filePath("nowhere"), dir.filePath("link.BMP")));
        QCOMPARE(ClaimBitmapPath(dir.filePath("link.BMP"), true).path, dir.filePath("link_0.bmp"));
        QVERIFY(!QFile::exists(dir.filePath("nowhere")));

        // Overwriting: the plain name, nothing created.
        const OutputClaim overwrite = ClaimFinalOutputPath(first.path, "png", false);
        QCOMPARE(overwrite.path, dir.filePath("webimage.png"));
        QVERIFY(!overwrite.placeholder && !QFile::exists(overwrite.path));

        // A folder that is not there ends the numbering with a reason.
        const OutputClaim missing = ClaimBitmapPath(dir.filePath("gone/webimage.BMP"), true);
        QVERIFY(missing.path.isEmpty());
        QVERIFY(missing.error.contains("gone"));
    }

    void twoClaimersAtOnceNeverShareAName()
    {
        QTemporaryDir dir;
        const QString bitmap = dir.filePath("page.BMP");
        constexpr int PerClaimer = 150;
        QStringList claimed[2];
        std::latch start(2);
        auto claimer = [&](int index) {
            return QThread::create([&, index] {
                start.arrive_and_wait();
                for (int i = 0; i < PerClaimer; ++i)
                    claimed[index] << ClaimFinalOutputPath(bitmap, "png", true).path;
            });
        };
        std::unique_ptr<QThread> threads[2]
            = { std::unique_ptr<QThread>(claimer(0)), std::unique_ptr<QThread>(claimer(1)) };
        for (auto& thread : threads)
            thread->start();
        for (auto& thread : threads)
            QVERIFY(thread->wait(60000));
        const QStringList all = claimed[0] + claimed[1];
        QCOMPARE(QSet<QString>(all.cbegin(), all.cend()).size(), 2 * PerClaimer);
        QVERIFY(!all.contains(QString()));
        // Each claim holds its hidden file; none of a claimer that moved on is left.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2 * PerClaimer);
    }
};

QTEST_GUILESS_MAIN(TestOutputNaming)
#include "tst_outputnaming.moc"
