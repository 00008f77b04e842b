#include "core/settings/inifile.h"
#include "core/settings/settingreaders.h"
#include "core/settings/settingsdefaults.h"
#include "core/settings/settingskeys.h"

#include <QTemporaryDir>
#include <QtTest>

class TestSettingReaders : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_file;

private slots:
    void init()
    {
        m_file = m_dir.filePath(QString("settings-%1.dat").arg(QTest::currentTestFunction()));
    }

    void defaultsWithoutFile()
    {
        QCOMPARE(OutputFolderSetting(m_file, "/opt/pagelith"), QString("/opt/pagelith"));
        QCOMPARE(TimeoutSecondsSetting(m_file), 60);
        QCOMPARE(
            ReadTextSetting(m_file, Setting::OutputType, SettingReader::Dialog), QString("Image"));
        QCOMPARE(ReadChoiceSetting(m_file, Setting::FileOption), 0);
        QVERIFY(!ReadFlagSetting(m_file, Setting::DateTime));
        QCOMPARE(ReadLeadingNumber(m_file, Setting::Quality), 0.0);
    }

    void storedValuesAreInterpreted()
    {
        QVERIFY(WriteSetting(m_file, "set", "outputfolder", "  /srv/shots  ", nullptr));
        QVERIFY(WriteSetting(m_file, "set", "timeout", "0", nullptr));
        QVERIFY(WriteSetting(m_file, "set", "delay", "15", nullptr));
        QVERIFY(WriteSetting(m_file, "set", "fileoption", "yes", nullptr));
        QVERIFY(WriteSetting(m_file, "set", "datetime", "true", nullptr));
        QVERIFY(WriteSetting(m_file, "set", "Thumbnail", " 1 ", nullptr));
        QVERIFY(WriteSetting(m_file, "set", "quality", "85%", nullptr));
        QCOMPARE(OutputFolderSetting(m_file, "/opt/pagelith"), QString("/srv/shots"));
        QCOMPARE(TimeoutSecondsSetting(m_file), 60);
        QCOMPARE(ReadNumberSetting(m_file, Setting::Delay), 15);
        QCOMPARE(ReadChoiceSetting(m_file, Setting::FileOption), 1);
        QVERIFY(!ReadFlagSetting(m_file, Setting::DateTime));
        QVERIFY(ReadFlagSetting(m_file, Setting::Thumbnail));
        QCOMPARE(ReadLeadingNumber(m_file, Setting::Quality), 85.0);
    }

    void readsSeeEveryWriteAtOnce()
    {
        QVERIFY(WriteSetting(m_file, "set", "timeout", "30", nullptr));
        QCOMPARE(TimeoutSecondsSetting(m_file), 30);
        QVERIFY(WriteSetting(m_file, "set", "timeout", "-5", nullptr));
        QCOMPARE(TimeoutSecondsSetting(m_file), 60);
        QVERIFY(WriteSetting(m_file, "set", "timeout", "90", nullptr));
        QCOMPARE(TimeoutSecondsSetting(m_file), 90);
    }

    void snapshotKeepsTheSettingsOfItsMoment()
    {
        // A page reads its settings as they were when it started, its file's and
        // those of the file beneath it, whatever is written meanwhile.
        const QString beneath = m_dir.filePath("beneath.dat");
        QVERIFY(WriteSetting(beneath, "set", "outputformat", "GIF", nullptr));
        SetSettingsDefaults(m_file, beneath);
        QVERIFY(WriteSetting(m_file, "set", "timeout", "30", nullptr));
        const SettingsSource snapshot = SettingsSource::snapshot(m_file);
        QVERIFY(WriteSetting(m_file, "set", "timeout", "90", nullptr));
        QVERIFY(WriteSetting(m_file, "set", "quality", "40", nullptr));
        QVERIFY(WriteSetting(beneath, "set", "outputformat", "PNG", nullptr));
        QCOMPARE(TimeoutSecondsSetting(snapshot), 30);
        QCOMPARE(QualitySetting(snapshot), 0);
        QCOMPARE(ReadTextSetting(snapshot, Setting::OutputFormat), QString("GIF"));
        QCOMPARE(snapshot.file(), m_file);
        QCOMPARE(TimeoutSecondsSetting(m_file), 90);
        QCOMPARE(ReadTextSetting(m_file, Setting::OutputFormat), QString("PNG"));
        SetSettingsDefaults(m_file, QString());
        // A file that is not there reads as its defaults.
        QCOMPARE(TimeoutSecondsSetting(SettingsSource::snapshot(m_dir.filePath("none.dat"))), 60);
    }

    void numbersStayInTheirRanges()
    {
        // A day at most, so the time in milliseconds never overflows.
        QVERIFY(WriteSetting(m_file, "set", "timeout", "4294968", nullptr));
        QCOMPARE(TimeoutSecondsSetting(m_file), 86400);
        QVERIFY(WriteSetting(m_file, "set", "timeout", "99999999999999999999", nullptr));
        QCOMPARE(TimeoutSecondsSetting(m_file), 86400);
        QVERIFY(WriteSetting(m_file, "set", "timeout", "86400", nullptr));
        QCOMPARE(TimeoutSecondsSetting(m_file), 86400);

        QCOMPARE(QualitySetting(m_file), 0);
        QVERIFY(WriteSetting(m_file, "set", "quality", "99999999999", nullptr));
        QCOMPARE(QualitySetting(m_file), 100);
        QVERIFY(WriteSetting(m_file, "set", "quality", "-99999999999", nullptr));
        QCOMPARE(QualitySetting(m_file), 0);
        QVERIFY(WriteSetting(m_file, "set", "quality", "84.5%", nullptr));
        QCOMPARE(QualitySetting(m_file), 84);
    }

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("word") << "abc" << 0.0;
        QTest::newRow("colour") << "16711680" << 16711680.0;
        QTest::newRow("trailing text") << "12px" << 12.0;
        QTest::newRow("blanks and sign") << "  -3.5x" << -3.5;
        QTest::newRow("tab before") << "\t7" << 7.0;
        QTest::newRow("fraction only") << ".25" << 0.25;
        QTest::newRow("sign only") << "-" << 0.0;
    }

    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, number);
        QCOMPARE(LeadingNumber(text), number);
    }

    void keyTableIsIndexedByTheEnum()
    {
        // Every reader looks its key up by the enum's value.
        QCOMPARE(AllSettingKeys().size(), SettingCount);
        for (int i = 0; i < SettingCount; ++i)
            QCOMPARE(KeyOf(Setting(i)).setting, Setting(i));
        // Names match as the file matches them.
        QCOMPARE(FindSetting(" twz "), Setting::TextPlace);
        QVERIFY(!FindSetting("nosuchkey"));
    }
};

QTEST_GUILESS_MAIN(TestSettingReaders)
#include "tst_settingreaders.moc"
