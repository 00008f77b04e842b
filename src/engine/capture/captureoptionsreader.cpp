#include "engine/capture/captureoptionsreader.h"

#include "core/files/wholefile.h"
#include "core/requests/cookiesfile.h"
#include "core/requests/requesttexts.h"
#include "core/settings/settingreaders.h"

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
    options.selector = ReadTextSetting(settingsFile, Setting::Selector).trimmed();
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
    // Anything but the three names is "any", the default of the desktop and the CLI.
    const QString inputs = ReadTextSetting(settingsFile, Setting::Inputs).trimmed().toLower();
    if (inputs == QLatin1String("web") || inputs == QLatin1String("local"))
        options.inputs = inputs;
    if (options.hideCookieBanners)
        ReadConsentSelectors(
            ConsentSelectorsPath(), &options.consentSelectors, &options.consentListProblem);
    options.pdf = PdfOptionsFromSettings(settingsFile);
    ReadRequestOptions(settingsFile, &options);
    return options;
}

PdfOptions PdfOptionsFromSettings(const SettingsSource& settingsFile)
{
    PdfOptions pdf;
    pdf.paperMm = PdfPageSetup::paperOrDefault(ReadTextSetting(settingsFile, Setting::PdfPaper));
    pdf.landscape = ReadFlagSetting(settingsFile, Setting::PdfLandscape);
    pdf.marginMm = PdfPageSetup::marginOrDefault(
        ReadTextSetting(settingsFile, Setting::PdfMargin), pdf.paperMm);
    pdf.background
        = ReadTextSetting(settingsFile, Setting::PdfBackground).trimmed() != QLatin1String("0");
    pdf.headerFooter = ReadFlagSetting(settingsFile, Setting::PdfHeaderFooter);
    return pdf;
}

void ReadRequestOptions(const SettingsSource& settingsFile, CaptureOptions* options)
{
    QStringList problems;
    for (const QString& line : SplitHeaderList(ReadTextSetting(settingsFile, Setting::Header))) {
        std::pair<QString, QString> header;
        QString error;
        if (ParseHeaderLine(line, &header, &error))
            options->headers << header;
        else
            problems << error;
    }
    options->headersEverywhere = ReadFlagSetting(settingsFile, Setting::HeaderEverywhere);
    const auto path
        = [&](Setting setting) { return ReadTextSetting(settingsFile, setting).trimmed(); };
    QString error;
    options->cookiesFile = path(Setting::Cookies);
    if (!options->cookiesFile.isEmpty()
        && !ReadCookiesFile(options->cookiesFile, &options->cookies, &error))
        problems << error;
    // The file wins: it is what keeps the password out of sight.
    options->authFile = path(Setting::AuthFile);
    const QString auth = ReadTextSetting(settingsFile, Setting::Auth);
    if (!options->authFile.isEmpty()) {
        if (!ReadCredentialsFile(
                options->authFile, &options->authUser, &options->authPassword, &error))
            problems << error;
    } else if (!auth.isEmpty()
        && !ParseCredentials(auth, &options->authUser, &options->authPassword, &error)) {
        problems << error;
    }
    if (const QString proxy = path(Setting::Proxy); !proxy.isEmpty()
        && !ParseProxyUrl(
            proxy, &options->proxy, &options->proxyUser, &options->proxyPassword, &error))
        problems << error;
    options->ignoreHttpsErrors = ReadFlagSetting(settingsFile, Setting::IgnoreHttpsErrors);
    const auto text = [&](Setting setting, QString* file, QString* content) {
        *file = path(setting);
        QByteArray bytes;
        if (file->isEmpty())
            return;
        if (ReadWholeFile(*file, &bytes, &error, ByteOrderMark::Drop, MaxInjectedFileBytes))
            *content = QString::fromUtf8(bytes);
        else
            problems << error;
    };
    text(Setting::JavaScript, &options->scriptFile, &options->injectedScript);
    text(Setting::Style, &options->styleFile, &options->injectedStyle);
    options->fileProblem = problems.join(QStringLiteral("; "));
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
    if (options.pdf.headerFooter)
        names << QStringLiteral("--pdf-header-footer");
    if (!options.headers.isEmpty())
        names << QStringLiteral("--header");
    if (!options.cookiesFile.isEmpty())
        names << QStringLiteral("--cookies");
    if (!options.authFile.isEmpty())
        names << QStringLiteral("--auth-file");
    else if (!options.authUser.isEmpty())
        names << QStringLiteral("--auth");
    if (!options.proxy.isEmpty())
        names << QStringLiteral("--proxy");
    if (options.ignoreHttpsErrors)
        names << QStringLiteral("--ignore-https-errors");
    if (!options.scriptFile.isEmpty())
        names << QStringLiteral("--javascript");
    if (!options.styleFile.isEmpty())
        names << QStringLiteral("--style");
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
