#include "core/schedule/scheduledue.h"
#include "filebytes.h"
#include "gui/app/appshell.h"
#include "gui/app/commandrouter.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/scheduler/schedulelistwidget.h"
#include "gui/scheduler/schedulerunner.h"
#include "gui/scheduler/schedulewindow.h"
#include "gui/scheduler/schedulewindowhost.h"
#include "recordingpresenter.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestScheduleWindow : public QObject
{
    Q_OBJECT

    static ScheduleSetup setup(const QString& folder)
    {
        ScheduleSetup s;
        s.applicationFolder = folder;
        s.locale = QLocale(QLocale::English, QLocale::UnitedStates);
        s.messages = &presenter();
        return s;
    }

    // Answers every question yes unless a test says otherwise.
    static RecordingPresenter& presenter()
    {
        static RecordingPresenter messages;
        return messages;
    }

    static void click(QWidget* window, const char* name)
    {
        auto* button = window->findChild<QPushButton*>(QLatin1String(name));
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
    }

private slots:
    void firstRunCreatesAnEmptyFile()
    {
        QTemporaryDir dir;
        ScheduleWindow window(setup(dir.path()));
        QCOMPARE(window.objectName(), QStringLiteral("Form5"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Schedule"));
        QVERIFY(QFileInfo(window.scheduleFile()).isFile());
        QCOMPARE(QFileInfo(window.scheduleFile()).size(), 0);
        QCOMPARE(window.list()->rowCount(), 0);
        QCOMPARE(window.list()->headerItem()->text(3), QStringLiteral("Comment"));
    }

    void commentColumnIsInSightAndEscapeParks()
    {
        QTemporaryDir dir;
        FileBytes::write(dir.filePath(QStringLiteral("schedule.dat")),
            "8/18/2026 3:45:12 PM\thttp://example.org/a/very/long/address/" + QByteArray(300, 'p')
                + "\tWaiting\tnightly shot\r\n");
        ScheduleWindow window(setup(dir.path()));
        window.showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // At the window's fixed size every column fits: no sideways scrolling.
        ScheduleListWidget* list = window.list();
        QTRY_VERIFY(!list->horizontalScrollBar()->isVisible());
        QVERIFY(list->header()->sectionViewportPosition(3) + list->columnWidth(3)
            <= list->viewport()->width());
        QVERIFY(list->columnWidth(3) >= 90);

        // Escape closes it as OK does: saved, parked, still running.
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
        QVERIFY(window.isParked());
        QVERIFY(!window.isUnloaded());
    }

    void fileRoundTripKeepsOrderEmptyCommentsAndShortLines()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("schedule.dat"));
        // A short line, an empty comment, a line with extra fields and CR-only ends.
        FileBytes::write(file,
            "8/18/2026 3:45:12 PM\thttp://a/\tWaiting\tnightly shot\r\n"
            "x\ty\r"
            "8/19/2026 1:00:00 AM\tc:/p.htm\tDone\t\tignored\n");
        {
            ScheduleWindow window(setup(dir.path()));
            ScheduleListWidget* list = window.list();
            QCOMPARE(list->rowCount(), 3);
            QCOMPARE(list->entry(1), (ScheduleEntry { "x", "y", "", "" }));
            QCOMPARE(list->entry(2).Comment, QString());
            click(&window, "cmdOK");
            QVERIFY(window.isParked());
            QVERIFY(!window.isVisible());
        }
        const QByteArray expected = "8/18/2026 3:45:12 PM\thttp://a/\tWaiting\tnightly shot\r\n"
                                    "x\ty\t\t\r\n"
                                    "8/19/2026 1:00:00 AM\tc:/p.htm\tDone\t\r\n";
        QCOMPARE(FileBytes::read(file), expected);
        ScheduleWindow again(setup(dir.path()));
        QCOMPARE(again.list()->rowCount(), 3);
        QCOMPARE(again.list()->entry(0).Comment, QStringLiteral("nightly shot"));
        QCOMPARE(again.list()->entry(1), (ScheduleEntry { "x", "y", "", "" }));
    }

    void entriesBeyondTheListAndUndecodableBytesAreKept()
    {
        // More entries than the list holds, with Latin-1 bytes in a UTF-8
        // locale both among the shown rows and among the others.
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("schedule.dat"));
        const int total = ScheduleListWidget::MaxRows + 40;
        QByteArray bytes;
        for (int i = 0; i < total; ++i)
            bytes += "1/1/2020 1:00:00 AM\t/srv/caf\xE9" + QByteArray::number(i) + "\tDone\t\r\n";
        FileBytes::write(file, bytes);
        {
            ScheduleWindow window(setup(dir.path()));
            QCOMPARE(window.list()->rowCount(), ScheduleListWidget::MaxRows);
            QCOMPARE(window.unshownEntryCount(), 40);
            auto* box = window.findChild<QGroupBox*>(QStringLiteral("scheduleBox"));
            QVERIFY(box);
            QVERIFY(box->title().contains(QString::number(total)));
            window.list()->setStatus(0, QStringLiteral("Waiting"));
        } // saved as at the application's exit
        bytes.replace(bytes.indexOf("Done"), 4, "Waiting");
        QVERIFY(FileBytes::read(file) == bytes);
    }

    void removeAndClearAreSavedByTheUnload()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("schedule.dat"));
        FileBytes::write(file, "a\t1\tWaiting\t\r\nb\t2\tWaiting\t\r\nc\t3\tWaiting\t\r\n");
        {
            ScheduleWindow window(setup(dir.path()));
            click(&window, "cmdRemove"); // nothing selected: nothing happens
            QCOMPARE(window.list()->rowCount(), 3);
            window.list()->setCurrentItem(window.list()->topLevelItem(1));
            click(&window, "cmdRemove");
            QCOMPARE(window.list()->rowCount(), 2);
            // The close box: the list is saved without "OK".
            window.close();
            QVERIFY(window.isUnloaded());
        }
        QCOMPARE(FileBytes::read(file), QByteArray("a\t1\tWaiting\t\r\nc\t3\tWaiting\t\r\n"));
        {
            ScheduleWindow window(setup(dir.path()));
            // Clear asks first; no keeps every entry.
            presenter().answer = false;
            click(&window, "cmdClear");
            presenter().answer = true;
            QCOMPARE(presenter().questions.last(),
                QStringLiteral("Remove all 2 entries from the schedule?"));
            QCOMPARE(window.list()->rowCount(), 2);
            click(&window, "cmdClear");
            QCOMPARE(window.list()->rowCount(), 0);
        } // destroyed as at the application's exit
        QCOMPARE(FileBytes::read(file), QByteArray());
    }

    void finishedEntryIsWrittenAtOnce()
    {
        // Due on the runner's first tick after start; with no conversion queue
        // it fails at once. Its status is in the file without the window's OK.
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("schedule.dat"));
        const QDateTime start(QDate(2026, 3, 1), QTime(9, 0, 0));
        auto now = std::make_shared<QDateTime>(start);
        ScheduleSetup schedule = setup(dir.path());
        schedule.clock = [now] { return *now; };
        FileBytes::write(file,
            FormatScheduleTime(start.addSecs(1), schedule.locale).toUtf8()
                + "\thttps://due.example/\tWaiting\t\r\n");
        ScheduleWindow window(schedule);
        *now = start.addSecs(1);
        window.runner()->scan();
        QTRY_VERIFY(window.runner()->isIdle());
        QCOMPARE(window.list()->entry(0).Status, QStringLiteral("Failed"));
        QVERIFY2(FileBytes::read(file).contains("\tFailed\t"), FileBytes::read(file).constData());
    }

    void unreadableFileIsLeftUntouched_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("a folder in its place") << true;
        QTest::newRow("a link into a missing folder") << false;
    }

    void unreadableFileIsLeftUntouched()
    {
        QFETCH(bool, folder);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("schedule.dat"));
        const QString target = dir.filePath(QStringLiteral("gone/schedule.dat"));
        if (folder)
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("schedule.dat")));
        else
            QVERIFY(QFile::link(target, file));
        {
            ScheduleWindow window(setup(dir.path()));
            QVERIFY(!window.canSave());
            QCOMPARE(window.list()->rowCount(), 0);
            window.list()->appendEntry({ "a", "b", "Waiting", "" });
            click(&window, "cmdOK");
            QVERIFY(window.isParked());
            window.close();
        }
        if (folder) {
            QVERIFY(QFileInfo(file).isDir());
        } else {
            QVERIFY(QFileInfo(file).isSymLink());
            QVERIFY(!QFileInfo::exists(target));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
            QStringList { QStringLiteral("schedule.dat") });
    }

    void hostKeepsTheWindowLoadedHiddenAndBringsItBackCentred()
    {
        QTemporaryDir dir;
        ScheduleWindowHost host(setup(dir.path()));
        host.load();
        QPointer<ScheduleWindow> first = host.window();
        QVERIFY(first);
        QVERIFY(!first->isVisible());
        // Hidden, yet its runner ticks.
        QVERIFY(first->runner()->timer()->isActive());
        host.load(); // already loaded: the same window
        QCOMPARE(host.window(), first.data());

        host.showWindow();
        QVERIFY(first->isVisible());
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        // Centred before it is shown, when the frame's size is not known yet.
        const QPoint offCentre = first->geometry().center() - screen.center();
        QVERIFY2(offCentre.manhattanLength() <= 8,
            qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));

        first->list()->appendEntry({ "t", "u", "Waiting", "" });
        click(first, "cmdOK");
        QVERIFY(!first->isVisible());
        QCOMPARE(host.window(), first.data()); // still loaded

        // The close box unloads it; "Schedule" loads it afresh from the file.
        host.showWindow();
        first->close();
        QVERIFY(!host.window());
        QTRY_VERIFY(!first);
        host.showWindow();
        QVERIFY(host.window());
        QVERIFY(host.window()->isVisible());
        QCOMPARE(host.window()->list()->rowCount(), 1);
        QCOMPARE(host.window()->list()->entry(0).Url, QStringLiteral("u"));
    }

    void addButtonAppendsFromTheDialog()
    {
        QTemporaryDir dir;
        ScheduleWindow window(setup(dir.path()));
        window.showCentred();
        bool sawDialog = false;
        QTimer::singleShot(0, this, [&sawDialog] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            sawDialog = dialog->objectName() == QLatin1String("Form77");
            dialog->findChild<QLineEdit*>(QStringLiteral("Text2"))
                ->setText(QStringLiteral("http://x/"));
            QTest::mouseClick(
                dialog->findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
        });
        click(&window, "cmdAdd");
        QVERIFY(sawDialog);
        QCOMPARE(window.list()->rowCount(), 1);
        QCOMPARE(window.list()->entry(0).Status, QStringLiteral("Waiting"));
        // Added only to the list; the file follows at "OK" or the unload.
        QCOMPARE(QFileInfo(window.scheduleFile()).size(), 0);
    }

    void startUpLoadsItHiddenScheduleShowsItAndExitSaves()
    {
        QTemporaryDir dir;
        // Start-up only asks that the logo exists.
        FileBytes::write(dir.filePath(QStringLiteral("logo.jpg")), "jpg");
        FileBytes::write(dir.filePath(QStringLiteral("schedule.dat")), "a\tb\tWaiting\t\r\n");
        RecordingPresenter messages;
        ShellServices services;
        services.messages = &messages;
        services.trayAvailable = [] { return false; };
        int quits = 0;
        services.quit = [&quits] { ++quits; };
        AppShell shell(dir.path(), services);
        QVERIFY(shell.start());
        ScheduleWindow* window = shell.scheduler()->window();
        QVERIFY(window);
        QVERIFY(!window->isVisible());
        QVERIFY(window->runner()->timer()->isActive());
        QCOMPARE(window->list()->rowCount(), 1);

        shell.router()->schedule();
        QVERIFY(window->isVisible());
        window->list()->appendEntry({ "c", "d", "Waiting", "" });
        shell.router()->ExitApplication();
        QCOMPARE(FileBytes::read(dir.filePath(QStringLiteral("schedule.dat"))),
            QByteArray("a\tb\tWaiting\t\r\nc\td\tWaiting\t\r\n"));
        QVERIFY(messages.texts().isEmpty());
        QCOMPARE(quits, 1);
    }
};

QTEST_MAIN(TestScheduleWindow)
#include "tst_schedulewindow.moc"
