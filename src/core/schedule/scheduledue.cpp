#include "core/schedule/scheduledue.h"

namespace {

const QString WaitingStatus = QStringLiteral("Waiting");

// A run of one repeated pattern letter, or a literal stretch, of a QLocale format.
struct FormatToken
{
    QString text;
    bool pattern; // a run of one pattern letter such as "yy" or "mm"
};

// Splits a date/time format into pattern runs and literals ('quoted' text and
// everything that is not a letter), so edits never touch quoted text.
QList<FormatToken> Tokenize(const QString& format)
{
    QList<FormatToken> tokens;
    qsizetype i = 0;
    const qsizetype n = format.size();
    while (i < n) {
        const QChar c = format.at(i);
        qsizetype j = i + 1;
        if (c == QLatin1Char('\'')) {
            while (j < n && format.at(j) != QLatin1Char('\''))
                ++j;
            j = qMin(j + 1, n);
            tokens.append({ format.mid(i, j - i), false });
        } else if (c.isLetter()) {
            while (j < n && format.at(j) == c)
                ++j;
            tokens.append({ format.mid(i, j - i), true });
        } else {
            while (j < n && !format.at(j).isLetter() && format.at(j) != QLatin1Char('\''))
                ++j;
            tokens.append({ format.mid(i, j - i), false });
        }
        i = j;
    }
    return tokens;
}

QString Join(const QList<FormatToken>& tokens)
{
    QString format;
    for (const FormatToken& token : tokens)
        format += token.text;
    return format;
}

bool HasTwoDigitYear(const QString& format)
{
    for (const FormatToken& token : Tokenize(format)) {
        if (token.pattern && token.text.startsWith(QLatin1Char('y')) && token.text.size() < 4)
            return true;
    }
    return false;
}

// Many short date formats carry a two-digit year, which reads back as 19xx.
QString WithFourDigitYear(const QString& format)
{
    QList<FormatToken> tokens = Tokenize(format);
    for (FormatToken& token : tokens) {
        if (token.pattern && token.text.startsWith(QLatin1Char('y')))
            token.text = QStringLiteral("yyyy");
    }
    return Join(tokens);
}

// Short time formats usually stop at the minute; a start time needs the second.
QString WithSeconds(const QString& format)
{
    QList<FormatToken> tokens = Tokenize(format);
    qsizetype minutes = -1;
    qsizetype hours = -1;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const FormatToken& token = tokens.at(i);
        if (!token.pattern)
            continue;
        const QChar letter = token.text.at(0);
        if (letter == QLatin1Char('s'))
            return format;
        if (letter == QLatin1Char('m') && minutes < 0)
            minutes = i;
        if ((letter == QLatin1Char('h') || letter == QLatin1Char('H')) && minutes < 0)
            hours = i;
    }
    if (minutes < 0)
        return format;

    // Repeat the separator between hour and minute (":" or "."), unless it is
    // quoted text such as " 'h' ".
    QString separator = QStringLiteral(":");
    if (hours >= 0 && minutes == hours + 2 && !tokens.at(hours + 1).pattern) {
        const QString between = tokens.at(hours + 1).text;
        if (!between.contains(QLatin1Char('\'')) && !between.trimmed().isEmpty())
            separator = between;
    }
    tokens.insert(minutes + 1, { separator, false });
    tokens.insert(minutes + 2, { QStringLiteral("ss"), true });
    return Join(tokens);
}

QString ScheduleDateFormat(const QLocale& locale)
{
    return WithFourDigitYear(locale.dateFormat(QLocale::ShortFormat));
}

QString ScheduleTimeFormat(const QLocale& locale)
{
    return WithSeconds(locale.timeFormat(QLocale::ShortFormat));
}

QDateTime CachedScheduleTime(const QString& text, const QLocale& locale, ScheduleTimeCache* cache)
{
    auto cached = cache->constFind(text);
    if (cached == cache->constEnd())
        cached = cache->insert(text, ParseScheduleTime(text, locale));
    return *cached;
}

} // namespace

QString FormatScheduleTime(const QDateTime& t, const QLocale& locale)
{
    if (!t.isValid())
        return QString();
    return locale.toString(t.date(), ScheduleDateFormat(locale)) + QLatin1Char(' ')
        + locale.toString(t.time(), ScheduleTimeFormat(locale));
}

QDateTime ParseScheduleTime(const QString& text, const QLocale& locale)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QDateTime();

    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const QString shortTime = locale.timeFormat(QLocale::ShortFormat);
    const QStringList dates = { ScheduleDateFormat(locale), shortDate };
    const QStringList times = { ScheduleTimeFormat(locale), shortTime };

    QStringList formats;
    for (const QString& date : dates) {
        for (const QString& time : times) {
            const QString format = date + QLatin1Char(' ') + time;
            if (!formats.contains(format))
                formats.append(format);
        }
    }

    for (const QString& format : formats) {
        QDateTime parsed = locale.toDateTime(trimmed, format);
        if (!parsed.isValid())
            continue;
        if (HasTwoDigitYear(format)) {
            // Qt reads "yy" as 1900-1999; a schedule lies in this century.
            parsed = parsed.addYears(100);
        } else if (parsed.date().year() < 1000) {
            // A four-digit pattern also accepts "26": that is a two-digit year
            // text, which the next format reads properly.
            continue;
        }
        return parsed;
    }
    return QDateTime();
}

int FirstDueScheduleEntry(const QList<ScheduleEntry>& entries, const QDateTime& watchingSince,
    const QDateTime& now, const QLocale& locale, ScheduleTimeCache* cache)
{
    // Texts of entries long gone would pile up in a cache kept for hours.
    if (cache && cache->size() > 2 * entries.size() + 64)
        cache->clear();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const ScheduleEntry& entry = entries.at(i);
        if (entry.Status != WaitingStatus)
            continue;
        const QDateTime start = cache ? CachedScheduleTime(entry.StartTime, locale, cache)
                                      : ParseScheduleTime(entry.StartTime, locale);
        if (!start.isValid())
            continue;
        if (start > watchingSince && start <= now)
            return int(i);
    }
    return -1;
}
