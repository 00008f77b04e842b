// Where a portable and an installed copy keep their files, and the shipped
// settings.dat beneath a user's own.

#include "core/app/appfolders.h"
#include "core/settings/inifile.h"
#include "core/settings/settingsdefaults.h"
#include "filebytes.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

class TestAppFolders : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void portableCopyKeepsEverythingBesideTheProgram();
    void installedCopyUsesTheUsersFolders_data();
    void installedCopyUsesTheUsersFolders();
    void shippedSettingsAreDefaultsNeverWritten();
    void defaultsAreOneLevelDeep();

private:
    QString userFolder(QStandardPaths::StandardLocation location, const QString& name) const
    {
        return QDir(QStandardPaths::writableLocation(location)).filePath(name);
    }

    QTemporaryDir m_dir;
};

void TestAppFolders::initTestCase()
{
    // The user's folders move to ~/.qttest, away from the real ones.
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
}

void TestAppFolders::cleanup()
{
    for (const auto location : { QStandardPaths::GenericConfigLocation,
             QStandardPaths::GenericCacheLocation, QStandardPaths::PicturesLocation })
        QDir(QStandardPaths::writableLocation(location)).removeRecursively();
}

void TestAppFolders::portableCopyKeepsEverythingBesideTheProgram()
{
    const QString program = m_dir.filePath(QStringLiteral("portable"));
    QVERIFY(QDir().mkpath(program));
    const AppFolders folders(program);
    QVERIFY(folders.isPortable());
    QCOMPARE(folders.settingsFile(), program + QStringLiteral("/settings.dat"));
    QCOMPARE(folders.scheduleFile(), program + QStringLiteral("/schedule.dat"));
    QCOMPARE(folders.tempFolder(), program);
    QCOMPARE(folders.defaultOutputFolder(), program);
    // A portable copy's settings.dat is the user's own, with nothing beneath it.
    FileBytes::write(folders.settingsFile(), "[set]\r\nquality=80\r\n");
    QVERIFY(folders.defaultSettingsFile().isEmpty());
    QVERIFY(folders.prepare(nullptr));
    QVERIFY(SettingsDefaultsFor(folders.settingsFile()).isEmpty());
    QVERIFY(!QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                 .exists(QStringLiteral("pagelith")));
}

void TestAppFolders::installedCopyUsesTheUsersFolders_data()
{
    QTest::addColumn<bool>("marked");
    QTest::newRow("marked as installed") << true;
    QTest::newRow("read-only folder") << false;
}

void TestAppFolders::installedCopyUsesTheUsersFolders()
{
    QFETCH(bool, marked);
    const QString program = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(QDir().mkpath(program));
    if (marked) {
        FileBytes::write(QDir(program).filePath(QLatin1String(AppFolders::InstalledMarkerFileName)),
            "installed\n");
    } else {
        QVERIFY(QFile::setPermissions(
            program, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
        if (::access(QFile::encodeName(program).constData(), W_OK) == 0)
            QSKIP("This user may write any folder (root)");
    }
    const AppFolders folders(program);
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!folders.isPortable());
    const QString config = userFolder(QStandardPaths::GenericConfigLocation, "pagelith");
    const QString cache = userFolder(QStandardPaths::GenericCacheLocation, "pagelith");
    const QString pictures = userFolder(QStandardPaths::PicturesLocation, "Pagelith");
    QCOMPARE(folders.settingsFile(), config + QStringLiteral("/settings.dat"));
    QCOMPARE(folders.scheduleFile(), config + QStringLiteral("/schedule.dat"));
    QCOMPARE(folders.tempFolder(), cache);
    QCOMPARE(folders.defaultOutputFolder(), pictures);
    QVERIFY(folders.describe().join('\n').contains(config + QStringLiteral("/settings.dat")));

    // Settings and temporary files can be written at once; the pictures folder
    // appears with the first picture.
    QString error;
    QVERIFY2(folders.prepare(&error), qPrintable(error));
    QVERIFY(QFileInfo(config).isDir());
    QVERIFY(QFileInfo(cache).isDir());
    QVERIFY(!QFileInfo::exists(pictures));
    QVERIFY(WriteSetting(folders.settingsFile(), "set", "quality", "90", &error));
}

void TestAppFolders::shippedSettingsAreDefaultsNeverWritten()
{
    const QString program = m_dir.filePath(QStringLiteral("shipped"));
    QVERIFY(QDir().mkpath(program));
    FileBytes::write(
        QDir(program).filePath(QLatin1String(AppFolders::InstalledMarkerFileName)), "");
    const QByteArray shipped = "[set]\r\noutputformat=PNG\r\nquality=70\r\nfilename=shot\r\n"
                               "[watermark]\r\nwatertext=Company\r\n";
    const QString shippedFile = QDir(program).filePath(QStringLiteral("settings.dat"));
    FileBytes::write(shippedFile, shipped);
    const AppFolders folders(program);
    QCOMPARE(folders.defaultSettingsFile(), shippedFile);
    QVERIFY(folders.prepare(nullptr));
    const QString mine = folders.settingsFile();

    // No file of the user's yet: every key comes from the shipped file.
    QCOMPARE(ReadSetting(mine, "set", "outputformat"), QStringLiteral("PNG"));
    QCOMPARE(ReadSetting(mine, "WATERMARK", "WaterText"), QStringLiteral("Company"));
    QVERIFY(WriteSetting(mine, "set", "quality", "95", nullptr));
    // A key the user set, even to empty, is theirs; the others stay shipped.
    QVERIFY(WriteSetting(mine, "watermark", "watertext", "", nullptr));
    QCOMPARE(ReadSetting(mine, "set", "quality"), QStringLiteral("95"));
    QCOMPARE(ReadSetting(mine, "watermark", "watertext"), QString());
    QCOMPARE(ReadSetting(mine, "set", "filename"), QStringLiteral("shot"));
    QCOMPARE(ReadSetting(mine, "set", "timeout"), QString());
    QCOMPARE(FileBytes::read(shippedFile), shipped);
    QCOMPARE(FileBytes::read(mine), "[set]\r\nquality=95\r\n[watermark]\r\nwatertext=\r\n");
    SetSettingsDefaults(mine, QString());
    QCOMPARE(ReadSetting(mine, "set", "filename"), QString());
}

void TestAppFolders::defaultsAreOneLevelDeep()
{
    const QString a = m_dir.filePath(QStringLiteral("a.dat"));
    const QString b = m_dir.filePath(QStringLiteral("b.dat"));
    FileBytes::write(a, "[set]\r\nfilename=a\r\n");
    FileBytes::write(b, "[set]\r\nquality=5\r\n");
    // Each beneath the other: a read of a key neither holds must still end.
    SetSettingsDefaults(a, b);
    SetSettingsDefaults(b, a);
    QCOMPARE(ReadSetting(a, "set", "quality"), QStringLiteral("5"));
    QCOMPARE(ReadSetting(b, "set", "filename"), QStringLiteral("a"));
    QCOMPARE(ReadSetting(a, "set", "timeout"), QString());
    // The same file by another name.
    QCOMPARE(ReadSetting(m_dir.path() + QStringLiteral("/./a.dat"), "set", "quality"),
        QStringLiteral("5"));
    SetSettingsDefaults(a, QString());
    SetSettingsDefaults(b, QString());
}

QTEST_GUILESS_MAIN(TestAppFolders)
#include "tst_appfolders.moc"
