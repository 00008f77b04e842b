#pragma once

#include "core/schedule/scheduleentry.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QLocale>
#include <QString>

// Start times are written as the locale's short date (always with a four-digit
// year, so the century survives), a blank, and the locale's time with seconds.
QString FormatScheduleTime(const QDateTime& t, const QLocale& locale);

// Reads a start time written by FormatScheduleTime, or in the locale's plain
// short formats (a two-digit year then means 2000-2099). Invalid when the text
// cannot be read under the locale.
QDateTime ParseScheduleTime(const QString& text, const QLocale& locale);

// Start times already read, by their text. Reading one under the locale is
// slow (a full list of 32767 rows took 1.7 s), so a runner that asks every
// second keeps one of these, always for the same locale.
using ScheduleTimeCache = QHash<QString, QDateTime>;

// The index of the first entry in list order that is due, or -1. An entry is
// due when its status is "Waiting" and its start time lies after the moment
// the runner began watching and at or before now, so that a missed timer tick
// or a busy runner delays an entry instead of losing it, while entries whose
// time had already passed before watching began are never started. With a
// cache, each start time text is read once.
int FirstDueScheduleEntry(const QList<ScheduleEntry>& entries, const QDateTime& watchingSince,
    const QDateTime& now, const QLocale& locale, ScheduleTimeCache* cache = nullptr);
