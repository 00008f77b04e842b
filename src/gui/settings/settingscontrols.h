#pragma once

#include "core/settings/settingskeys.h"

#include <QString>
#include <functional>

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

// Writes the keys of `section` that the dialog's OK stores, one after the
// other in the table's order, each with the text `storedText` gives. Stops at
// the first failure: the keys after it would meet the same unwritable file,
// and the first reason is the one worth showing.
bool writeDialogKeys(const QString& file, const QString& section,
    const std::function<QString(Setting)>& storedText, QString* error);

} // namespace SettingsControls
