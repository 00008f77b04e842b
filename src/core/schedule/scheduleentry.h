#pragma once

#include <QString>

// One row of the schedule: when to convert which address. All fields are kept
// as text; StartTime is read as a date-time only by the due test.
struct ScheduleEntry
{
    QString StartTime;
    QString Url;
    QString Status; // "Waiting" when added, "Done" once the runner has started it
    QString Comment;
};

inline bool operator==(const ScheduleEntry& a, const ScheduleEntry& b)
{
    return a.StartTime == b.StartTime && a.Url == b.Url && a.Status == b.Status
        && a.Comment == b.Comment;
}
