#pragma once

#include <QString>

class QComboBox;
class QSlider;
class QSpinBox;

// How the settings dialog puts a stored value into a control: a value the
// control cannot show (not one of a list's entries, outside a slider's range)
// leaves the control as it was, without a message.
namespace SettingsControls {

bool selectEntry(QComboBox* list, const QString& text);
bool selectPosition(QComboBox* list, qint64 position);
bool setSliderValue(QSlider* slider, qint64 value);
bool setSpinValue(QSpinBox* spin, qint64 value);

} // namespace SettingsControls
