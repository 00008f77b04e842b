#include "gui/settings/settingscontrols.h"

#include "core/settings/settingreaders.h"

#include <QComboBox>
#include <QSlider>
#include <QSpinBox>

namespace SettingsControls {

bool selectEntry(QComboBox* list, const QString& text)
{
    const int index = list->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (index < 0)
        return false;
    list->setCurrentIndex(index);
    return true;
}

bool selectPosition(QComboBox* list, qint64 position)
{
    if (position < 0 || position >= list->count())
        return false;
    list->setCurrentIndex(int(position));
    return true;
}

bool setSliderValue(QSlider* slider, qint64 value)
{
    if (value < slider->minimum() || value > slider->maximum())
        return false;
    slider->setValue(int(value));
    return true;
}

bool setSpinValue(QSpinBox* spin, qint64 value)
{
    if (value < spin->minimum() || value > spin->maximum())
        return false;
    spin->setValue(int(value));
    return true;
}

bool writeDialogKeys(const QString& file, const QString& section,
    const std::function<QString(Setting)>& storedText, QString* error)
{
    for (Setting setting : SettingsDialogWriteOrder()) {
        if (KeyOf(setting).section == section
            && !WriteSetting(file, setting, storedText(setting), error))
            return false;
    }
    return true;
}

} // namespace SettingsControls
