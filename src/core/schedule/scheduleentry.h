#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One row of the schedule: when to convert which address. All fields are kept
// as text; StartTime is read as a date-time only by the due test.
struct ScheduleEntry
{
    QString StartTime;
    QString Url;
    QString Status; // "Waiting" when added, "Done" once the runner has started it
    QString Comment;
    // The four fields' bytes as the schedule file held them; empty for an
    // entry made by the program. A field whose text is unchanged is written
    // back as these bytes, so that bytes the locale cannot decode (shown as
    // U+FFFD) are never replaced. Not part of the comparison below.
    QList<QByteArray> storedFields = {};
};

inline bool operator==(const ScheduleEntry& a, const ScheduleEntry& b)
{
    return a.StartTime == b.StartTime && a.Url == b.Url && a.Status == b.Status
        && a.Comment == b.Comment;
}
