#pragma once

#include <QObject>

class QWidget;

// Inside a scroll area, a list or a number box under the pointer would take the
// wheel meant for scrolling and change a setting unseen. Guarded, such a control
// takes the wheel only when it has the focus (a click or Tab gives it); else the
// wheel scrolls the nearest scroll area around it.
class WheelGuard : public QObject
{
    Q_OBJECT
public:
    // Guards every combo box and spin box inside `area` now.
    static void guard(QWidget* area);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WheelGuard(QObject* parent);
};
