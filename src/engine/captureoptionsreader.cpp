#include "captureoptionsreader.h"

#include "settings/settingreaders.h"

#include <algorithm>

CaptureOptions CaptureOptionsFromSettings(const QString& settingsFile)
{
    CaptureOptions options;
    // Empty or 0 is the default; a day at most, as the time-out.
    const int delay = ReadNumberSetting(settingsFile, Setting::Delay);
    options.settleSeconds = delay > 0 ? std::min(delay, MaxTimeoutSeconds)
                                      : KeyOf(Setting::Delay).defaultValue.toInt();
    return options;
}
