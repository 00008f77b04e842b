#include "core/schedule/schedulefile.h"
#include "filebytes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestScheduleFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void missingFileIsCreatedEmpty()
    {
        const QString file = m_dir.filePath("first.dat");
        QList<ScheduleEntry> entries { { "x", "y", "Waiting", "" } };
        QString error;
        QVERIFY(LoadScheduleFile(file, &entries, &error));
        QVERIFY(entries.isEmpty());
        QVERIFY(QFile::exists(file));
        QCOMPARE(QFileInfo(file).size(), 0);
    }

    void savesThreeTabsPerLineAndLoadsBack()
    {
        const QString file = m_dir.filePath("three.dat");
        const QList<ScheduleEntry> entries = {
            { "12/7/2026 3:45:12 PM", "/home/u/report.htm", "Waiting", "nightly shot" },
            { "12/8/2026 9:00:00 AM", "http://a.b/", "Done", "" },
            { "", "", "", "" },
        };
        QVERIFY(SaveScheduleFile(file, entries, nullptr));
        QCOMPARE(FileBytes::read(file),
            QByteArray("12/7/2026 3:45:12 PM\t/home/u/report.htm\tWaiting\tnightly shot\r\n"
                       "12/8/2026 9:00:00 AM\thttp://a.b/\tDone\t\r\n"
                       "\t\t\t\r\n"));
        QList<ScheduleEntry> loaded;
        QVERIFY(LoadScheduleFile(file, &loaded, nullptr));
        QCOMPARE(loaded, entries);

        QVERIFY(SaveScheduleFile(file, {}, nullptr));
        QCOMPARE(QFileInfo(file).size(), 0);
    }

    void shortAndLongLinesAndAnyLineEnd()
    {
        const QString file = m_dir.filePath("hand.dat");
        FileBytes::write(file, "x\ty\na\tb\tc\td\te\tf\r\rlast");
        QList<ScheduleEntry> loaded;
        QVERIFY(LoadScheduleFile(file, &loaded, nullptr));
        const QList<ScheduleEntry> expected = { { "x", "y", "", "" }, { "a", "b", "c", "d" },
            { "", "", "", "" }, { "last", "", "", "" } };
        QCOMPARE(loaded, expected);
    }

    void fieldsCannotBreakTheLineFormat()
    {
        const QString file = m_dir.filePath("fields.dat");
        QVERIFY(SaveScheduleFile(
            file, { { "t", "http://a.b/\tx", "Waiting", "two\r\nlines" } }, nullptr));
        QCOMPARE(FileBytes::read(file), QByteArray("t\thttp://a.b/ x\tWaiting\ttwo  lines\r\n"));
    }

    void undecodableBytesSurviveASave()
    {
        // Latin-1 bytes in a UTF-8 locale: shown as U+FFFD, written back as
        // they were; only the field the program changed is encoded afresh.
        const QString file = m_dir.filePath("latin1.dat");
        FileBytes::write(file,
            "\xEF\xBB\xBF"
            "12/7/2026 3:45:12 PM\t/srv/caf\xE9.htm\tWaiting\tna\xEFve\r\n"
            "12/8/2026 9:00:00 AM\t/srv/\xFF\xFE\tWaiting\r\n");
        QList<ScheduleEntry> loaded;
        QVERIFY(LoadScheduleFile(file, &loaded, nullptr));
        QCOMPARE(loaded.size(), 2);
        QCOMPARE(loaded[0].StartTime, QString("12/7/2026 3:45:12 PM"));
        QCOMPARE(loaded[0].Url, QString("/srv/caf") + QChar(0xFFFD) + ".htm");
        loaded[0].Status = "Done";
        loaded[1].Comment = "caf\u00e9";
        QVERIFY(SaveScheduleFile(file, loaded, nullptr));
        QCOMPARE(FileBytes::read(file),
            QByteArray("12/7/2026 3:45:12 PM\t/srv/caf\xE9.htm\tDone\tna\xEFve\r\n"
                       "12/8/2026 9:00:00 AM\t/srv/\xFF\xFE\tWaiting\tcaf\xC3\xA9\r\n"));

        // A changed field is encoded from its text, whatever it held before.
        loaded[1].Url = "/srv/new";
        QVERIFY(SaveScheduleFile(file, loaded, nullptr));
        QVERIFY(FileBytes::read(file).contains("AM\t/srv/new\tWaiting"));
    }

    void byteOrderMarksAreNotLostOrAdded()
    {
        // One mark ahead of the file goes; a U+FEFF inside the text stays,
        // even at the very start, through any number of saves.
        const QString file = m_dir.filePath("marks.dat");
        FileBytes::write(file,
            "\xEF\xBB\xBF\xEF\xBB\xBF"
            "a\t\xEF\xBB\xBF"
            "b\r\n");
        QList<ScheduleEntry> loaded;
        QVERIFY(LoadScheduleFile(file, &loaded, nullptr));
        const QList<ScheduleEntry> expected
            = { { QChar(0xFEFF) + QString("a"), QChar(0xFEFF) + QString("b"), "", "" } };
        QCOMPARE(loaded, expected);
        for (int save = 0; save < 2; ++save) {
            QVERIFY(SaveScheduleFile(file, loaded, nullptr));
            QVERIFY(LoadScheduleFile(file, &loaded, nullptr));
            QCOMPARE(loaded, expected);
        }
    }

    void unreadableFileFailsAndIsLeftAlone()
    {
        // A folder where the file should be: it exists but cannot be read.
        const QString file = m_dir.filePath("locked.dat");
        QVERIFY(QDir().mkpath(file));
        QList<ScheduleEntry> entries { { "x", "y", "Waiting", "" } };
        QString error;
        QVERIFY(!LoadScheduleFile(file, &entries, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(entries.isEmpty());
        QVERIFY(!SaveScheduleFile(file, {}, &error));
        QVERIFY(QFileInfo(file).isDir());

        QVERIFY(!LoadScheduleFile(m_dir.filePath("no/such/dir/schedule.dat"), &entries, &error));
    }
};

QTEST_GUILESS_MAIN(TestScheduleFile)
#include "tst_schedulefile.moc"
