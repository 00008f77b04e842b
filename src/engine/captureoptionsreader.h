#pragma once

#include "captureoptions.h"

#include <QString>
#include <QStringList>

// The capture options as the settings file holds them (the "delay" setting and the
// [capture] section), each read at the moment of the capture.
CaptureOptions CaptureOptionsFromSettings(const QString& settingsFile);

// The options in `options` that the Qt WebEngine engine cannot honour, by their
// command-line names ("--scale"); empty when it honours them all.
QStringList OptionsQtCannotHonour(const CaptureOptions& options);
