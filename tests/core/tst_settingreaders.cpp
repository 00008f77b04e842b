#include "settings/inifile.h"
#include "settings/settingreaders.h"
#include "settings/settingskeys.h"

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
        QCOMPARE(ReadTextSetting(m_file, "set", "outputtype", "Image"), QString("Image"));
        QCOMPARE(ReadChoiceSetting(m_file, "set", "fileoption"), 0);
        QVERIFY(!ReadFlagSetting(m_file, "set", "datetime"));
        QCOMPARE(ReadLeadingNumber(m_file, "set", "quality"), 0.0);
    }

    void storedValuesAreInterpreted()
    {
        WriteSetting(m_file, "set", "outputfolder", "  /srv/shots  ");
        WriteSetting(m_file, "set", "timeout", "0");
        WriteSetting(m_file, "set", "delay", "15");
        WriteSetting(m_file, "set", "fileoption", "yes");
        WriteSetting(m_file, "set", "datetime", "true");
        WriteSetting(m_file, "set", "Thumbnail", " 1 ");
        WriteSetting(m_file, "set", "quality", "85%");
        QCOMPARE(OutputFolderSetting(m_file, "/opt/pagelith"), QString("/srv/shots"));
        QCOMPARE(TimeoutSecondsSetting(m_file), 60);
        QCOMPARE(ReadNumberSetting(m_file, "set", "delay", 60), 15);
        QCOMPARE(ReadChoiceSetting(m_file, "set", "fileoption"), 1);
        QVERIFY(!ReadFlagSetting(m_file, "set", "datetime"));
        QVERIFY(ReadFlagSetting(m_file, "set", "thumbnail"));
        QCOMPARE(ReadLeadingNumber(m_file, "set", "quality"), 85.0);
    }

    void readsSeeEveryWriteAtOnce()
    {
        WriteSetting(m_file, "set", "timeout", "30");
        QCOMPARE(TimeoutSecondsSetting(m_file), 30);
        WriteSetting(m_file, "set", "timeout", "-5");
        QCOMPARE(TimeoutSecondsSetting(m_file), 60);
        WriteSetting(m_file, "set", "timeout", "90");
        QCOMPARE(TimeoutSecondsSetting(m_file), 90);
    }

    void numbersStayInTheirRanges()
    {
        // A day at most, so the time in milliseconds never overflows.
        WriteSetting(m_file, "set", "timeout", "4294968");
        QCOMPARE(TimeoutSecondsSetting(m_file), 86400);
        WriteSetting(m_file, "set", "timeout", "99999999999999999999");
        QCOMPARE(TimeoutSecondsSetting(m_file), 86400);
        WriteSetting(m_file, "set", "timeout", "86400");
        QCOMPARE(TimeoutSecondsSetting(m_file), 86400);

        QCOMPARE(QualitySetting(m_file), 0);
        WriteSetting(m_file, "set", "quality", "99999999999");
        QCOMPARE(QualitySetting(m_file), 100);
        WriteSetting(m_file, "set", "quality", "-99999999999");
        QCOMPARE(QualitySetting(m_file), 0);
        WriteSetting(m_file, "set", "quality", "84.5%");
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
        QTest::newRow("fraction only") << ".25" << 0.25;
        QTest::newRow("sign only") << "-" << 0.0;
    }

    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, number);
        QCOMPARE(LeadingNumber(text), number);
    }

    void keyTableIsComplete()
    {
        // Every key the dialog writes, plus the three its pickers write at once.
        const QList<SettingKey>& keys = AllSettingKeys();
        QCOMPARE(keys.size(), SettingsDialogWriteOrder().size() + 2);
        for (const QString& name : SettingsDialogWriteOrder() + ImmediatelyWrittenSettingKeys())
            QVERIFY2(FindSettingKey(name), qPrintable(name));
        QCOMPARE(FindSettingKey("twz")->name, QString("Twz"));
        QCOMPARE(FindSettingKey("activex")->section, SettingsSection::Set);
        QCOMPARE(FindSettingKey("Itransparency")->kind, SettingKind::Colour);
        QCOMPARE(FindSettingKey("timeout")->defaultValue, QString("60"));
        QVERIFY(!FindSettingKey("nosuchkey"));
    }
};

QTEST_GUILESS_MAIN(TestSettingReaders)
#include "tst_settingreaders.moc"
