// schedule.dat and its start times: any file content loads; saving what was
// loaded and loading it again gives the same entries, and a second save the
// same bytes. Every start time is parsed under a few locales; a time that
// parses comes back from its own formatting.
//
// Input: the schedule file's bytes.

#include "core/schedule/scheduledue.h"
#include "core/schedule/schedulefile.h"
#include "fuzzcheck.h"

#include <QLocale>

namespace {

const QList<QLocale>& Locales()
{
    static const QList<QLocale> locales = { QLocale::c(),
        QLocale(QLocale::English, QLocale::UnitedStates),
        QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::Japanese, QLocale::Japan),
        QLocale(QLocale::Arabic, QLocale::Egypt) };
    return locales;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString file = FuzzFiles::path(QStringLiteral("schedule.dat"));
    FuzzFiles::write(file, content);

    QList<ScheduleEntry> entries;
    QString error;
    FUZZ_CHECK(LoadScheduleFile(file, &entries, &error));

    const QString copy = FuzzFiles::path(QStringLiteral("copy.dat"));
    FUZZ_CHECK(SaveScheduleFile(copy, entries, &error));
    QList<ScheduleEntry> again;
    FUZZ_CHECK(LoadScheduleFile(copy, &again, &error));
    FUZZ_CHECK(again == entries);
    const QByteArray saved = FuzzFiles::read(copy);
    FUZZ_CHECK(SaveScheduleFile(copy, again, &error));
    FUZZ_CHECK(FuzzFiles::read(copy) == saved);

    // Parsing under the locale is slow; a few start times tell as much as all.
    const QLocale& locale = Locales().at(int(size % Locales().size()));
    for (qsizetype i = 0; i < qMin<qsizetype>(entries.size(), 4); ++i) {
        const QDateTime t = ParseScheduleTime(entries.at(i).StartTime, locale);
        if (!t.isValid())
            continue;
        const QString text = FormatScheduleTime(t, locale);
        const QDateTime back = ParseScheduleTime(text, locale);
        FUZZ_CHECK(back.isValid());
        FUZZ_CHECK(FormatScheduleTime(back, locale) == text);
    }
    const QDateTime now(QDate(2026, 12, 7), QTime(12, 0));
    const int due = FirstDueScheduleEntry(entries.mid(0, 4), now.addDays(-400), now, locale);
    FUZZ_CHECK(due >= -1 && due < 4);
    return 0;
}
