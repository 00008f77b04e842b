#include "core/schedule/scheduledue.h"

#include <QtTest>

class TestScheduleDue : public QObject
{
    Q_OBJECT

private:
    const QLocale m_us { QLocale::English, QLocale::UnitedStates };
    const QDateTime m_watching { QDate(2026, 12, 7), QTime(9, 0, 0, 250) };

    ScheduleEntry waitingAt(const QDateTime& t) const
    {
        return { FormatScheduleTime(t, m_us), "http://a.b/", "Waiting", "" };
    }

private slots:
    void formatsShortDateAndTimeWithSeconds()
    {
        const QDateTime t(QDate(2006, 8, 18), QTime(15, 45, 12));
        QCOMPARE(FormatScheduleTime(t, m_us), QString("8/18/2006 3:45:12 PM"));
        QCOMPARE(FormatScheduleTime(t, QLocale(QLocale::German, QLocale::Germany)),
            QString("18.08.2006 15:45:12"));
        QCOMPARE(FormatScheduleTime(t, QLocale(QLocale::Finnish, QLocale::Finland)),
            QString("18.8.2006 15.45.12"));
    }

    void roundTripsUnderManyLocales_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("C") << QLocale::c();
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany);
        QTest::newRow("ko_KR") << QLocale(QLocale::Korean, QLocale::SouthKorea);
        QTest::newRow("fr_CA") << QLocale(QLocale::French, QLocale::Canada);
        QTest::newRow("ja_JP") << QLocale(QLocale::Japanese, QLocale::Japan);
    }

    void roundTripsUnderManyLocales()
    {
        QFETCH(QLocale, locale);
        for (const QDateTime& t : { QDateTime(QDate(2026, 12, 7), QTime(0, 0, 1)),
                 QDateTime(QDate(2031, 1, 31), QTime(23, 59, 59)) }) {
            const QString text = FormatScheduleTime(t, locale);
            QCOMPARE(ParseScheduleTime(text, locale), t);
        }
    }

    void readsPlainShortFormatsInThisCentury()
    {
        // A two-digit year must not fall back to 1926.
        QCOMPARE(ParseScheduleTime("12/7/26 3:04:05 PM", m_us),
            QDateTime(QDate(2026, 12, 7), QTime(15, 4, 5)));
        QCOMPARE(ParseScheduleTime("12/7/26 3:04 PM", m_us),
            QDateTime(QDate(2026, 12, 7), QTime(15, 4)));
        QVERIFY(!ParseScheduleTime("", m_us).isValid());
        QVERIFY(!ParseScheduleTime("tomorrow", m_us).isValid());
        // Written under German settings, unreadable under US ones.
        QVERIFY(!ParseScheduleTime("18.08.2006 15:45:12", m_us).isValid());
    }

    void dueRule()
    {
        const QDateTime tenOClock(QDate(2026, 12, 7), QTime(10, 0, 0));
        const ScheduleEntry due = waitingAt(tenOClock);

        // Due in its own second, and still due when ticks skipped that second
        // or the runner was busy.
        QCOMPARE(FirstDueScheduleEntry({ due }, m_watching, tenOClock, m_us), 0);
        QCOMPARE(FirstDueScheduleEntry({ due }, m_watching, tenOClock.addMSecs(900), m_us), 0);
        QCOMPARE(FirstDueScheduleEntry({ due }, m_watching, tenOClock.addSecs(75), m_us), 0);
        // Not before its time.
        QCOMPARE(FirstDueScheduleEntry({ due }, m_watching, tenOClock.addSecs(-1), m_us), -1);
        // Passed before the runner began watching: stays waiting for ever.
        const ScheduleEntry stale = waitingAt(m_watching.addSecs(-60));
        QCOMPARE(FirstDueScheduleEntry({ stale }, m_watching, tenOClock, m_us), -1);
        const ScheduleEntry sameSecond = waitingAt(QDateTime(m_watching.date(), QTime(9, 0, 0)));
        QCOMPARE(FirstDueScheduleEntry({ sameSecond }, m_watching, tenOClock, m_us), -1);
        // Nor one at the very moment watching began.
        const QDateTime onTheSecond(m_watching.date(), QTime(9, 0, 0));
        QCOMPARE(FirstDueScheduleEntry({ sameSecond }, onTheSecond, tenOClock, m_us), -1);
    }

    void firstDueWaitingEntryInListOrder()
    {
        const QDateTime now(QDate(2026, 12, 7), QTime(10, 0, 5));
        ScheduleEntry done = waitingAt(now.addSecs(-5));
        done.Status = "Done";
        ScheduleEntry unreadable { "soon", "http://x/", "Waiting", "" };
        const ScheduleEntry later = waitingAt(now.addSecs(60));
        const ScheduleEntry first = waitingAt(now.addSecs(-3));
        const ScheduleEntry second = waitingAt(now.addSecs(-3));
        QCOMPARE(FirstDueScheduleEntry(
                     { done, unreadable, later, first, second }, m_watching, now, m_us),
            3);
        // Once the first is marked done, the entry sharing its second follows.
        QCOMPARE(
            FirstDueScheduleEntry({ done, unreadable, later, second }, m_watching, now, m_us), 3);
        QCOMPARE(FirstDueScheduleEntry({}, m_watching, now, m_us), -1);
    }
};

QTEST_GUILESS_MAIN(TestScheduleDue)
#include "tst_scheduledue.moc"
