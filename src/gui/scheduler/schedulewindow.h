#pragma once

#include "core/schedule/scheduleentry.h"
#include "gui/scheduler/schedulesetup.h"

#include <QList>
#include <QWidget>

class QGroupBox;
class ScheduleListWidget;
class ScheduleRunner;

// The schedule window: the list of timed conversions and its commands. It is
// loaded at start-up and stays loaded, hidden ("parked"), until the
// application exits, so that its runner keeps converting whether or not the
// user looks at it. Closing it with the close box unloads it.
class ScheduleWindow : public QWidget
{
    Q_OBJECT
public:
    // Loads the list from schedule.dat in the application folder (creating an
    // empty file when there is none) and starts the runner.
    explicit ScheduleWindow(const ScheduleSetup& setup, QWidget* parent = nullptr);
    ~ScheduleWindow() override;

    ScheduleListWidget* list() const { return m_list; }
    ScheduleRunner* runner() const { return m_runner; }
    QString scheduleFile() const;
    // False when schedule.dat existed but could not be read: the window then
    // never writes over it, or the entries it holds would be lost.
    bool canSave() const { return m_canSave; }
    // Entries of the file beyond the rows the list can hold: not shown and
    // not run, but saved back after the shown rows so that none is lost.
    int unshownEntryCount() const { return int(m_unshown.size()); }

    bool isParked() const { return m_parked; }
    // The "Schedule" command: centred when it comes from the parked state, shown
    // and brought to the front.
    void showCentred();

    // "Add": the add-schedule dialog, modally.
    void addEntry();
    void removeSelected();
    void clearAll();
    // "OK": save, then park (also when the save failed).
    void saveAndPark();
    bool save(QString* error);

    // Save and park, stop the runner: what happens before the window goes.
    // Runs once; the close box and the application's exit both come here.
    void unload();
    bool isUnloaded() const { return m_unloaded; }

signals:
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void park();

    ScheduleSetup m_setup;
    QGroupBox* m_box;
    ScheduleListWidget* m_list;
    QList<ScheduleEntry> m_unshown;
    ScheduleRunner* m_runner = nullptr;
    bool m_canSave = true;
    bool m_parked = true;
    bool m_unloaded = false;
};
