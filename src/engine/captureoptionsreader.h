#pragma once

#include "captureoptions.h"
#include "settings/settingssource.h"

#include <QString>
#include <QStringList>

// The capture options as the settings file holds them (the "delay" setting and the
// [capture] section), each read at the moment of the capture.
CaptureOptions CaptureOptionsFromSettings(const SettingsSource& settingsFile);

// The consent frameworks' selectors of the list file at `path` (one a line; blank
// lines and lines starting with "!" skipped); false, with the reason, when it
// cannot be read.
bool ReadConsentSelectors(const QString& path, QStringList* selectors, QString* problem);
// Where the list of consent banners is kept: beside the program.
QString ConsentSelectorsPath();

// The options in `options` that the Qt WebEngine engine cannot honour, by their
// command-line names ("--scale"); empty when it honours them all.
QStringList OptionsQtCannotHonour(const CaptureOptions& options);
