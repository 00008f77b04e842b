#pragma once

#include "gui/scheduler/schedulesetup.h"

#include <QDialog>

class QDateEdit;
class QLabel;
class QLineEdit;
class QTimeEdit;
class QTimer;
class ScheduleListWidget;

// The dialog that adds one entry to the schedule list: a start date and time,
// an address and a comment. A live clock shows the current time.
class AddScheduleDialog : public QDialog
{
    Q_OBJECT
public:
    AddScheduleDialog(
        ScheduleListWidget* list, const ScheduleSetup& setup, QWidget* parent = nullptr);

    // The start time the pickers hold now, as it would be stored.
    QString startTimeText() const;

private:
    void refreshClock();
    void acceptEntry();

    ScheduleListWidget* m_list;
    ScheduleSetup m_setup;
    QLabel* m_clock;
    QDateEdit* m_date;
    QTimeEdit* m_time;
    QLineEdit* m_url;
    QLineEdit* m_comment;
    QTimer* m_clockTimer;
};
