#include "gui/scheduler/schedulelistwidget.h"

#include "gui/widgets/rowlist.h"

#include <QHeaderView>

namespace {

constexpr int IdRole = Qt::UserRole + 1;
// The fields' bytes as the schedule file held them (ScheduleEntry::storedFields).
constexpr int StoredFieldsRole = Qt::UserRole + 2;

} // namespace

ScheduleListWidget::ScheduleListWidget(QWidget* parent)
    : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("ListView1"));
    setColumnCount(4);
    setHeaderLabels({ tr("Start time"), tr("Url"), tr("Status"), tr("Comment") });
    SetUpRowList(this);
    header()->setStretchLastSection(false);
    // 2000, 1440 and 1440 twips. The address takes what the list's width leaves,
    // so the comment is never pushed behind a scroll bar; a long address is
    // elided instead.
    setColumnWidth(StartTimeColumn, 133);
    setColumnWidth(StatusColumn, 96);
    setColumnWidth(CommentColumn, 96);
    header()->setSectionResizeMode(UrlColumn, QHeaderView::Stretch);
}

ScheduleEntry ScheduleListWidget::entry(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return {};
    return { item->text(StartTimeColumn), item->text(UrlColumn), item->text(StatusColumn),
        item->text(CommentColumn),
        item->data(StartTimeColumn, StoredFieldsRole).value<QList<QByteArray>>() };
}

QList<ScheduleEntry> ScheduleListWidget::entries() const
{
    QList<ScheduleEntry> result;
    result.reserve(rowCount());
    for (int row = 0; row < rowCount(); ++row)
        result.append(entry(row));
    return result;
}

void ScheduleListWidget::setEntries(const QList<ScheduleEntry>& entries)
{
    QSignalBlocker blocker(this);
    clear();
    for (const ScheduleEntry& e : entries)
        appendEntry(e);
    blocker.unblock();
    emit entriesChanged();
}

quint64 ScheduleListWidget::appendEntry(const ScheduleEntry& e)
{
    if (rowCount() >= MaxRows)
        return 0;
    auto* item = new QTreeWidgetItem(QStringList { e.StartTime, e.Url, e.Status, e.Comment });
    const quint64 id = m_nextId++;
    item->setData(StartTimeColumn, IdRole, id);
    if (!e.storedFields.isEmpty())
        item->setData(StartTimeColumn, StoredFieldsRole, QVariant::fromValue(e.storedFields));
    addTopLevelItem(item);
    emit entriesChanged();
    return id;
}

quint64 ScheduleListWidget::idAt(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(StartTimeColumn, IdRole).toULongLong() : 0;
}

int ScheduleListWidget::rowOf(quint64 id) const
{
    if (id == 0)
        return -1;
    for (int row = 0; row < rowCount(); ++row) {
        if (idAt(row) == id)
            return row;
    }
    return -1;
}

void ScheduleListWidget::setStatus(int row, const QString& status)
{
    if (QTreeWidgetItem* item = topLevelItem(row))
        item->setText(StatusColumn, status);
}

int ScheduleListWidget::selectedRow() const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty())
        return -1;
    return indexOfTopLevelItem(selected.first());
}

bool ScheduleListWidget::removeSelectedEntry()
{
    const int row = selectedRow();
    if (row < 0)
        return false;
    delete takeTopLevelItem(row);
    emit entriesChanged();
    return true;
}

void ScheduleListWidget::clearEntries()
{
    clear();
    emit entriesChanged();
}
