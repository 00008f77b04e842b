#pragma once

#include "core/schedule/scheduleentry.h"

#include <QList>
#include <QTreeWidget>

// The schedule list: the master copy of the entries while the application runs.
// Rows are addressed from 0. Every row also carries an id of its own, so that
// a conversion that ends after rows were removed or cleared finds its entry
// again, or learns that it is gone.
class ScheduleListWidget : public QTreeWidget
{
    Q_OBJECT
public:
    enum Column { StartTimeColumn = 0, UrlColumn = 1, StatusColumn = 2, CommentColumn = 3 };

    // The counter of the runner's scan was a 16-bit signed integer; the list
    // never holds more rows than it could count.
    static constexpr int MaxRows = 32767;

    explicit ScheduleListWidget(QWidget* parent = nullptr);

    int rowCount() const { return topLevelItemCount(); }
    ScheduleEntry entry(int row) const;
    QList<ScheduleEntry> entries() const;
    // Replaces every row.
    void setEntries(const QList<ScheduleEntry>& entries);
    // The id of the new row, or 0 when the list is full.
    quint64 appendEntry(const ScheduleEntry& entry);

    quint64 idAt(int row) const;
    // The row holding the entry with this id, or -1 once it was removed.
    int rowOf(quint64 id) const;
    void setStatus(int row, const QString& status);

    // The selected row, or -1.
    int selectedRow() const;
    bool removeSelectedEntry();
    void clearEntries();

signals:
    // Rows were added, removed or cleared (not sent for status changes).
    void entriesChanged();

private:
    quint64 m_nextId = 1;
};
