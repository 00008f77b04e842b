#include "core/schedule/scheduledue.h"
#include "gui/scheduler/addscheduledialog.h"
#include "gui/scheduler/schedulelistwidget.h"
#include "recordingpresenter.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>

class TestAddScheduleDialog : public QObject
{
    Q_OBJECT

    const QDateTime m_now = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 890));

    ScheduleSetup setup(RecordingPresenter* messages,
        const QLocale& locale = QLocale(QLocale::English, QLocale::UnitedStates))
    {
        ScheduleSetup s;
        s.messages = messages;
        const QDateTime now = m_now;
        s.clock = [now] { return now; };
        s.locale = locale;
        return s;
    }

    static void clickOk(QDialog& dialog)
    {
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    }

private slots:
    void blankAddressIsRefusedUntilOneIsTyped()
    {
        RecordingPresenter messages;
        ScheduleListWidget list;
        AddScheduleDialog dialog(&list, setup(&messages));
        dialog.show();
        auto* url = dialog.findChild<QLineEdit*>(QStringLiteral("Text2"));
        auto* comment = dialog.findChild<QLineEdit*>(QStringLiteral("Text1"));
        QVERIFY(url && comment);

        clickOk(dialog);
        url->setText(QStringLiteral("   "));
        comment->setText(QStringLiteral("kept"));
        clickOk(dialog);
        QCOMPARE(messages.texts(),
            QStringList({ QStringLiteral("Url is error"), QStringLiteral("Url is error") }));
        QCOMPARE(list.rowCount(), 0);
        QVERIFY(dialog.isVisible());
        QCOMPARE(url->text(), QStringLiteral("   "));
        QCOMPARE(comment->text(), QStringLiteral("kept"));

        // Spaces around an address are kept as typed.
        url->setText(QStringLiteral(" http://127.0.0.1/a "));
        clickOk(dialog);
        QCOMPARE(messages.texts().size(), 2);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(list.rowCount(), 1);
        const ScheduleEntry added = list.entry(0);
        QCOMPARE(added.Url, QStringLiteral(" http://127.0.0.1/a "));
        QCOMPARE(added.Status, QStringLiteral("Waiting"));
        QCOMPARE(added.Comment, QStringLiteral("kept"));
    }

    void pickersStartAtTheCurrentSecondUnderEveryLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany);
        QTest::newRow("ja_JP") << QLocale(QLocale::Japanese, QLocale::Japan);
    }

    void pickersStartAtTheCurrentSecondUnderEveryLocale()
    {
        QFETCH(QLocale, locale);
        RecordingPresenter messages;
        ScheduleListWidget list;
        ScheduleSetup s = setup(&messages, locale);
        AddScheduleDialog dialog(&list, s);
        QCOMPARE(dialog.findChild<QDateEdit*>(QStringLiteral("DTPicker1"))->date(), m_now.date());
        QCOMPARE(dialog.findChild<QTimeEdit*>(QStringLiteral("DTPicker2"))->time(), QTime(5, 6, 7));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lblClock"))->text(),
            FormatScheduleTime(m_now, locale));

        dialog.findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(QStringLiteral("x"));
        clickOk(dialog);
        QCOMPARE(list.rowCount(), 1);
        // The runner reads back the very second the pickers held.
        QCOMPARE(ParseScheduleTime(list.entry(0).StartTime, locale),
            QDateTime(m_now.date(), QTime(5, 6, 7)));
        QCOMPARE(list.entry(0).Comment, QString());
    }

    void clockLabelAdvancesEverySecond()
    {
        ScheduleListWidget list;
        RecordingPresenter messages;
        ScheduleSetup s = setup(&messages);
        int calls = 0;
        const QDateTime start = m_now;
        s.clock = [&calls, start] { return start.addSecs(calls++); };
        AddScheduleDialog dialog(&list, s);
        auto* clock = dialog.findChild<QLabel*>(QStringLiteral("lblClock"));
        const QString first = clock->text();
        QTRY_VERIFY_WITH_TIMEOUT(clock->text() != first, 2500);
        QCOMPARE(clock->text().isEmpty(), false);
    }

    void cancelAndCloseBoxAddNothing()
    {
        RecordingPresenter messages;
        ScheduleListWidget list;
        {
            AddScheduleDialog dialog(&list, setup(&messages));
            dialog.show();
            dialog.findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(QStringLiteral("x"));
            QTest::mouseClick(
                dialog.findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
        {
            AddScheduleDialog dialog(&list, setup(&messages));
            dialog.show();
            dialog.findChild<QLineEdit*>(QStringLiteral("Text2"))->setText(QStringLiteral("x"));
            dialog.close();
        }
        QCOMPARE(list.rowCount(), 0);
        QVERIFY(messages.texts().isEmpty());
    }
};

QTEST_MAIN(TestAddScheduleDialog)
#include "tst_addscheduledialog.moc"
