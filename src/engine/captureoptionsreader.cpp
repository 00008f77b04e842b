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
    // Values out of range are held to it: the command line refuses them, a file
    // edited by hand must not make a window of a million pixels.
    const auto viewport = [&](Setting setting, int fallback) {
        const int value = ReadNumberSetting(settingsFile, setting);
        return value > 0
            ? std::clamp(value, CaptureOptions::MinViewport, CaptureOptions::MaxViewport)
            : fallback;
    };
    options.viewportWidth = viewport(Setting::ViewportWidth, options.viewportWidth);
    options.viewportHeight = viewport(Setting::ViewportHeight, options.viewportHeight);
    const double scale = ReadLeadingNumber(settingsFile, Setting::Scale);
    options.scale = scale > 0 ? std::clamp(scale, 1.0, CaptureOptions::MaxScale) : 1.0;
    options.viewportOnly = ReadFlagSetting(settingsFile, Setting::ViewportOnly);
    return options;
}

QStringList OptionsQtCannotHonour(const CaptureOptions& options)
{
    QStringList names;
    if (options.scale != 1)
        names << QStringLiteral("--scale");
    return names;
}
