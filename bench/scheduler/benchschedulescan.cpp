// How long one tick of the schedule runner takes on a full list: every row is
// "Waiting" and none is due, so the scan reads every start time. Also the
// schedule file's save and load at that size. Prints figures; asserts nothing.
#include "core/schedule/scheduledue.h"
#include "core/schedule/schedulefile.h"
#include "gui/scheduler/schedulelistwidget.h"
#include "gui/scheduler/schedulerunner.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    const QDateTime now(QDate(2026, 12, 7), QTime(10, 0, 0));
    const int rows = ScheduleListWidget::MaxRows;

    ScheduleListWidget list;
    QList<ScheduleEntry> entries;
    for (int i = 0; i < rows; ++i) {
        entries.append({ FormatScheduleTime(now.addSecs(3600 + i), locale),
            QStringLiteral("http://127.0.0.1/page%1.html").arg(i), QStringLiteral("Waiting"),
            QStringLiteral("comment %1").arg(i) });
    }
    QElapsedTimer timer;
    timer.start();
    list.setEntries(entries);
    std::printf("fill list with %d rows: %lld ms\n", rows, timer.elapsed());

    const int ticks = 5;
    timer.restart();
    for (int i = 0; i < ticks; ++i) {
        const int due = FirstDueScheduleEntry(list.entries(), now.addSecs(-1), now, locale);
        if (due != -1)
            return 1;
    }
    std::printf(
        "due test alone over %d waiting rows: %.1f ms\n", rows, double(timer.elapsed()) / ticks);

    ScheduleSetup setup;
    setup.clock = [now] { return now; };
    setup.locale = locale;
    ScheduleRunner runner(&list, setup);
    runner.start();
    timer.restart();
    runner.scan();
    std::printf("runner's first tick over %d waiting rows: %lld ms\n", rows, timer.elapsed());
    timer.restart();
    for (int i = 0; i < ticks; ++i)
        runner.scan();
    std::printf("runner's later ticks: %.1f ms\n", double(timer.elapsed()) / ticks);
    runner.stop();

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("schedule.dat"));
    timer.restart();
    if (!SaveScheduleFile(file, list.entries(), nullptr))
        return 1;
    std::printf("save %d rows: %lld ms\n", rows, timer.elapsed());
    timer.restart();
    QList<ScheduleEntry> loaded;
    if (!LoadScheduleFile(file, &loaded, nullptr) || loaded.size() != rows)
        return 1;
    std::printf("load %d rows: %lld ms\n", rows, timer.elapsed());
    return 0;
}
