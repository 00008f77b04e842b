#pragma once

#include "captureoptions.h"

#include <QString>

// The capture options as the settings file holds them (the "delay" setting and the
// [capture] section), each read at the moment of the capture.
CaptureOptions CaptureOptionsFromSettings(const QString& settingsFile);
