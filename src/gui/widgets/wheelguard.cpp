#include "gui/widgets/wheelguard.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QWheelEvent>
#include <QWidget>

WheelGuard::WheelGuard(QObject* parent)
    : QObject(parent)
{
}

void WheelGuard::guard(QWidget* area)
{
    auto* guard = new WheelGuard(area);
    const QList<QWidget*> controls = area->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        if (!qobject_cast<QComboBox*>(control) && !qobject_cast<QAbstractSpinBox*>(control))
            continue;
        // Without it a wheel turn over the control would give it the focus.
        control->setFocusPolicy(Qt::StrongFocus);
        control->installEventFilter(guard);
    }
}

bool WheelGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Wheel)
        return false;
    auto* control = qobject_cast<QWidget*>(watched);
    if (!control || control->hasFocus())
        return false;
    // The control never sees it; the scroll area around it gets it instead.
    // Handed over here rather than ignored: whether an ignored wheel reaches
    // the parents depends on where it came from.
    const auto* wheel = static_cast<QWheelEvent*>(event);
    for (QWidget* parent = control->parentWidget(); parent; parent = parent->parentWidget()) {
        auto* area = qobject_cast<QAbstractScrollArea*>(parent);
        if (!area)
            continue;
        QWidget* viewport = area->viewport();
        QWheelEvent scroll(viewport->mapFromGlobal(wheel->globalPosition()),
            wheel->globalPosition(), wheel->pixelDelta(), wheel->angleDelta(), wheel->buttons(),
            wheel->modifiers(), wheel->phase(), wheel->inverted(), wheel->source());
        QCoreApplication::sendEvent(viewport, &scroll);
        break;
    }
    return true;
}
