#include "files/partialfiles.h"

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
