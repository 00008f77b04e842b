#include "captureoptionsreader.h"

#include "settings/settingreaders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <algorithm>

CaptureOptions CaptureOptionsFromSettings(const SettingsSource& settingsFile)
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
    options.waitFor = ReadTextSetting(settingsFile, Setting::WaitFor).trimmed();
    options.extraWaitMs = std::clamp(
        ReadNumberSetting(settingsFile, Setting::ExtraWait), 0, CaptureOptions::MaxExtraWaitMs);
    options.hide = ReadTextSetting(settingsFile, Setting::Hide).trimmed();
    options.hideCookieBanners = ReadFlagSetting(settingsFile, Setting::HideCookieBanners);
    options.userAgent = ReadTextSetting(settingsFile, Setting::UserAgent).trimmed();
    // Anything but the two names is the browser's own choice.
    const QString scheme = ReadTextSetting(settingsFile, Setting::ColorScheme).trimmed().toLower();
    if (scheme == QLatin1String("light") || scheme == QLatin1String("dark"))
        options.colorScheme = scheme;
    const QString media = ReadTextSetting(settingsFile, Setting::Media).trimmed().toLower();
    if (media == QLatin1String("print") || media == QLatin1String("screen"))
        options.media = media;
    if (options.hideCookieBanners)
        ReadConsentSelectors(
            ConsentSelectorsPath(), &options.consentSelectors, &options.consentListProblem);
    return options;
}

QStringList OptionsQtCannotHonour(const CaptureOptions& options)
{
    QStringList names;
    if (options.scale != 1)
        names << QStringLiteral("--scale");
    if (!options.userAgent.isEmpty())
        names << QStringLiteral("--user-agent");
    if (!options.colorScheme.isEmpty())
        names << QStringLiteral("--color-scheme");
    if (options.media == QLatin1String("print"))
        names << QStringLiteral("--media");
    return names;
}

QString ConsentSelectorsPath()
{
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QStringLiteral("consent-selectors.txt"));
}

bool ReadConsentSelectors(const QString& path, QStringList* selectors, QString* problem)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *problem = QStringLiteral("the list of consent banners %1 could not be read (%2)")
                       .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    selectors->clear();
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QString selector = line.trimmed();
        if (!selector.isEmpty() && !selector.startsWith(QLatin1Char('!')))
            *selectors << selector;
    }
    return true;
}
