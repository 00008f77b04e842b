#pragma once

#include "core/schedule/scheduleentry.h"

#include <QList>
#include <QString>

// schedule.dat: one line per entry, StartTime, Url, Status and Comment joined
// by TABs (always exactly three), lines ended by CR LF, in the locale's encoding.

// Reads every line into an entry (missing fields empty, fields beyond the
// fourth ignored); lines may end in CR LF, CR or LF. A missing file is created
// empty. Returns false, with entries empty, when the file exists but cannot be
// read or cannot be created: the caller must then not save over it, or the
// entries it holds would be lost.
bool LoadScheduleFile(const QString& path, QList<ScheduleEntry>* entries, QString* error);

// Writes the entries in order, replacing the file atomically. A TAB, CR or LF
// inside a field is written as a blank, since the format has no escaping.
bool SaveScheduleFile(const QString& path, const QList<ScheduleEntry>& entries, QString* error);
