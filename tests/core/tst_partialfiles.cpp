#include "core/files/partialfiles.h"
#include "core/files/stagedfiles.h"
#include "filebytes.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// Hidden files of killed runs go; those of live runs, fresh ones and other
// files stay.
class TestPartialFiles : public QObject
{
    Q_OBJECT

private slots:
    void onlyOldFilesOfRunsThatAreGoneAreRemoved()
    {
        QTemporaryDir dir;
        // No process has a number this high; 1 is always there.
        const QString gone = QStringLiteral("999999999");
        auto make = [&](const QString& name, int ageSeconds) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds),
                QFileDevice::FileModificationTime));
        };
        make(".page.pagelith-" + gone + "-1.BMP", 120);
        make(".page.pagelith-" + gone + "-2.png.Ab12Cd", 120);
        make(".page.pagelith-" + gone + "-3.tif", 10);
        make(".page.pagelith-1-4.jpg", 120);
        make(".page.pagelith-new.jpg", 120);
        make("page.pagelith-" + gone + "-5.png", 120);
        QCOMPARE(PartialFilesByName(dir.path()).value("page.BMP"),
            QStringList { ".page.pagelith-" + gone + "-1.BMP" });
        QCOMPARE(RemoveStalePartialFiles(dir.path()), 2);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
            (QStringList { ".page.pagelith-1-4.jpg", ".page.pagelith-" + gone + "-3.tif",
                ".page.pagelith-new.jpg", "page.pagelith-" + gone + "-5.png" }));
    }

    // Staged files take their names all together or not at all: a later name that
    // cannot be taken puts the earlier ones back as they were.
    void stagedFilesAreCommittedAllOrNothing()
    {
        QTemporaryDir dir;
        auto path = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
        FileBytes::write(path("page.jpg"), "old picture");
        FileBytes::write(path(".page.jpg.staged"), "new picture");
        FileBytes::write(path(".thumb.jpg.staged"), "new thumbnail");
        FileBytes::write(path(".page.bmp.staged"), "new bitmap");
        // A folder holding a file cannot be replaced by a file.
        QVERIFY(QDir().mkpath(path("page.bmp/inside")));
        const QList<StagedFile> files = { { path(".page.jpg.staged"), path("page.jpg") },
            { path(".thumb.jpg.staged"), path("thumb.jpg") },
            { path(".page.bmp.staged"), path("page.bmp") } };
        QString failed;
        int code = 0;
        QVERIFY(!CommitStagedFiles(files, &failed, &code));
        QCOMPARE(failed, path("page.bmp"));
        QVERIFY(code != 0);
        QCOMPARE(FileBytes::read(path("page.jpg")), QByteArray("old picture"));
        QVERIFY(!QFile::exists(path("thumb.jpg")));
        QCOMPARE(FileBytes::read(path(".page.jpg.staged")), QByteArray("new picture"));
        QCOMPARE(FileBytes::read(path(".thumb.jpg.staged")), QByteArray("new thumbnail"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 4);

        QVERIFY(QDir(path("page.bmp")).removeRecursively());
        QVERIFY(CommitStagedFiles(files, &failed, &code));
        QCOMPARE(FileBytes::read(path("page.jpg")), QByteArray("new picture"));
        QCOMPARE(FileBytes::read(path("thumb.jpg")), QByteArray("new thumbnail"));
        QCOMPARE(FileBytes::read(path("page.bmp")), QByteArray("new bitmap"));
        // Nothing kept aside stays.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
            (QStringList { "page.bmp", "page.jpg", "thumb.jpg" }));
    }

    void hiddenNamesKeepTheExtensionAndFitTheFileSystem()
    {
        const QString name
            = QFileInfo(PartialFileName("/out/" + QString(250, 'x') + ".png")).fileName();
        QVERIFY(name.startsWith(".xxx") && name.endsWith(".png"));
        QVERIFY(QFile::encodeName(name).size() <= 255);
        QCOMPARE(PartialKey("/out/" + QString(250, 'x') + ".png"),
            name.section(".pagelith-", 0, 0).mid(1) + ".png");
        QVERIFY(PartialFileName("/out/a.png") != PartialFileName("/out/a.png"));
    }
};

QTEST_GUILESS_MAIN(TestPartialFiles)
#include "tst_partialfiles.moc"
