#include "cli/convertoptions.h"

#include "cli/convertcommand.h"
#include "cli/optionchecks.h"
#include "cli/optionreaders.h"
#include "core/app/appfolders.h"
#include "core/files/regularfile.h"
#include "core/settings/inifile.h"
#include "core/settings/outputformats.h"
#include "core/settings/pdfpagesetup.h"
#include "engine/capture/captureoptions.h"
#include "engine/capture/captureoptionsreader.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

struct Options
{
    QCommandLineOption settings { QStringLiteral("settings"),
        ConvertOptionParser::tr("Read the settings from FILE instead of settings.dat."),
        QStringLiteral("FILE") };
    QCommandLineOption folder { { QStringLiteral("o"), QStringLiteral("output-folder") },
        ConvertOptionParser::tr("Write the files into FOLDER (made when missing). With one input, "
                                "a name ending in a picture, PDF or text extension (.png, .jpg, "
                                ".pdf, .txt, ...) that is no folder is taken as -O."),
        QStringLiteral("FOLDER") };
    QCommandLineOption file { { QStringLiteral("O"), QStringLiteral("output-file") },
        ConvertOptionParser::tr("Write the one input's file as FILE (an existing file is "
                                "replaced). The format is FILE's extension unless -f is given; "
                                "- writes to standard output (the lines for people go to "
                                "standard error)."),
        QStringLiteral("FILE") };
    QCommandLineOption format { { QStringLiteral("f"), QStringLiteral("format") },
        QStringLiteral("Output format: %1.")
            .arg(ConvertOptionParser::formats().join(QStringLiteral(", "))),
        QStringLiteral("FORMAT") };
    QCommandLineOption set { QStringLiteral("set"),
        ConvertOptionParser::tr("Use VALUE for the settings key KEY in this run only; settings.dat "
                                "is not changed. Repeatable."),
        QStringLiteral("KEY=VALUE") };
    QCommandLineOption engine { QStringLiteral("engine"),
        ConvertOptionParser::tr("Render with ENGINE: chromium (the system's Chromium, the default "
                                "when one is installed) or qt (Qt WebEngine)."),
        QStringLiteral("ENGINE") };
    QCommandLineOption chromium { QStringLiteral("chromium"),
        ConvertOptionParser::tr("Run the Chromium at PATH instead of the first one on the PATH."),
        QStringLiteral("PATH") };
    QCommandLineOption width { QStringLiteral("width"),
        ConvertOptionParser::tr("Lay the page out in a window N CSS pixels wide (%1 to %2; "
                                "default 1024).")
            .arg(CaptureOptions::MinViewport)
            .arg(CaptureOptions::MaxViewport),
        QStringLiteral("N") };
    QCommandLineOption height { QStringLiteral("height"),
        ConvertOptionParser::tr("The window's height in CSS pixels: the first screen a visitor "
                                "sees (%1 to %2; default 768).")
            .arg(CaptureOptions::MinViewport)
            .arg(CaptureOptions::MaxViewport),
        QStringLiteral("N") };
    QCommandLineOption scale { QStringLiteral("scale"),
        ConvertOptionParser::tr("Draw F image pixels per CSS pixel, 1 to 4 (2 for high-DPI "
                                "images; default 1). Chromium engine only."),
        QStringLiteral("F") };
    QCommandLineOption viewportOnly { QStringLiteral("viewport-only"),
        ConvertOptionParser::tr("Capture the first screen only, at the window's size, instead "
                                "of the whole page.") };
    QCommandLineOption selector { QStringLiteral("selector"),
        ConvertOptionParser::tr("Capture only the box of the first element matching the CSS "
                                "selector, not the page (the page fails when none does)."),
        QStringLiteral("CSS") };
    QCommandLineOption waitFor { QStringLiteral("wait-for"),
        ConvertOptionParser::tr("Wait until the page shows an element matching the CSS selector "
                                "(within the page's time-out; else the page fails)."),
        QStringLiteral("CSS") };
    QCommandLineOption wait { QStringLiteral("wait"),
        ConvertOptionParser::tr("Wait MS milliseconds more once the page is still, before its "
                                "capture."),
        QStringLiteral("MS") };
    QCommandLineOption hide { QStringLiteral("hide"),
        ConvertOptionParser::tr("Hide the elements matching the CSS selector (their place is "
                                "kept). Repeatable."),
        QStringLiteral("CSS") };
    QCommandLineOption hideCookieBanners { QStringLiteral("hide-cookie-banners"),
        ConvertOptionParser::tr("Remove cookie and consent banners: those of the common consent "
                                "frameworks (consent-selectors.txt beside the program) and fixed "
                                "overlays that ask about cookies or consent.") };
    QCommandLineOption userAgent { QStringLiteral("user-agent"),
        ConvertOptionParser::tr("Name the browser TEXT to the pages (the User-Agent header and "
                                "navigator.userAgent). Chromium engine only."),
        QStringLiteral("TEXT") };
    QCommandLineOption colorScheme { QStringLiteral("color-scheme"),
        ConvertOptionParser::tr("Ask the pages for their light or dark colours "
                                "(prefers-color-scheme). Chromium engine only."),
        QStringLiteral("light|dark") };
    QCommandLineOption inputs { QStringLiteral("inputs"),
        ConvertOptionParser::tr("Convert only web addresses (web), only local files (local) or "
                                "both (any, the default). A service that converts lists it "
                                "did not write runs with web."),
        QStringLiteral("web|local|any") };
    QCommandLineOption media { QStringLiteral("media"),
        ConvertOptionParser::tr("Lay the pages out for print or screen (default screen; print "
                                "with the Chromium engine only)."),
        QStringLiteral("print|screen") };
    QCommandLineOption pdfPaper { QStringLiteral("pdf-paper"),
        ConvertOptionParser::tr("Print PDFs on NAME paper (%1; default A4) or on WxH, two "
                                "lengths in mm, cm, in, pt or px (210mmx297mm, 8.5inx11in, "
                                "210x297mm).")
            .arg(PdfPageSetup::paperNames()),
        QStringLiteral("NAME|WxH") };
    QCommandLineOption pdfLandscape { QStringLiteral("pdf-landscape"),
        ConvertOptionParser::tr("Print PDFs with the paper turned sideways.") };
    QCommandLineOption pdfMargin { QStringLiteral("pdf-margin"),
        ConvertOptionParser::tr("Leave a margin of LENGTH on each side of a PDF's pages, in "
                                "mm, cm, in, pt or px (default 10mm)."),
        QStringLiteral("LENGTH") };
    QCommandLineOption pdfBackground { QStringLiteral("pdf-background"),
        ConvertOptionParser::tr("Print the pages' background colours and images into PDFs (the "
                                "default).") };
    QCommandLineOption noPdfBackground { QStringLiteral("no-pdf-background"),
        ConvertOptionParser::tr("Leave the pages' background colours and images out of PDFs.") };
    QCommandLineOption pdfHeaderFooter { QStringLiteral("pdf-header-footer"),
        ConvertOptionParser::tr("Print the page's title and the date above each PDF page and "
                                "\"Page N of M\" below it. Chromium engine only.") };
    QCommandLineOption header { QStringLiteral("header"),
        ConvertOptionParser::tr("Send the header 'Name: value' with the requests to each page's "
                                "own site (its scheme, host and port; https too for an http "
                                "page). Repeatable. Chromium engine only."),
        QStringLiteral("HEADER") };
    QCommandLineOption headerEverywhere { QStringLiteral("header-everywhere"),
        ConvertOptionParser::tr("Send the --header headers with every request, to every site "
                                "the pages take a part from.") };
    QCommandLineOption cookies { QStringLiteral("cookies"),
        ConvertOptionParser::tr("Send the cookies of FILE (Netscape cookies.txt) to their sites. "
                                "Chromium engine only."),
        QStringLiteral("FILE") };
    QCommandLineOption auth { QStringLiteral("auth"),
        ConvertOptionParser::tr("Answer the page's own site when it asks for HTTP "
                                "authentication. Others on the machine can read it in the "
                                "process list: --auth-file keeps it hidden. Chromium engine only."),
        QStringLiteral("USER:PASSWORD") };
    QCommandLineOption authFile { QStringLiteral("auth-file"),
        ConvertOptionParser::tr("As --auth, with USER:PASSWORD on the first line of FILE."),
        QStringLiteral("FILE") };
    QCommandLineOption proxy { QStringLiteral("proxy"),
        ConvertOptionParser::tr("Send the pages' requests through the proxy at URL "
                                "(http, https, socks4 or socks5://host:port; user:password@ "
                                "answers the proxy; --proxy-file keeps it out of the process "
                                "list). Requests to this machine itself (localhost, "
                                "127.0.0.1) go direct. Chromium engine only."),
        QStringLiteral("URL") };
    QCommandLineOption proxyFile { QStringLiteral("proxy-file"),
        ConvertOptionParser::tr("As --proxy, with the URL on the first line of FILE."),
        QStringLiteral("FILE") };
    QCommandLineOption ignoreHttpsErrors { QStringLiteral("ignore-https-errors"),
        ConvertOptionParser::tr("Load pages whose certificate is not trusted (the result's "
                                "remark says so). Chromium engine only.") };
    QCommandLineOption javascript { QStringLiteral("javascript"),
        ConvertOptionParser::tr("Run the script of FILE in each page once it has loaded, before "
                                "its capture. Chromium engine only."),
        QStringLiteral("FILE") };
    QCommandLineOption style { QStringLiteral("style"),
        ConvertOptionParser::tr("Add the style sheet of FILE to each page once it has loaded, "
                                "before its capture. Chromium engine only."),
        QStringLiteral("FILE") };
    QCommandLineOption markdownAll { QStringLiteral("markdown-all"),
        ConvertOptionParser::tr("Markdown of everything the page holds: its navigation, header, "
                                "footer, side bars, hidden elements and banners too.") };
    QCommandLineOption json { QStringLiteral("json"),
        ConvertOptionParser::tr("Print one JSON object per page on standard output (JSON Lines); "
                                "the lines for people go to standard error.") };
    QCommandLineOption quiet { { QStringLiteral("q"), QStringLiteral("quiet") },
        ConvertOptionParser::tr("Print only failed pages and the summary.") };
    QCommandLineOption jobs { { QStringLiteral("j"), QStringLiteral("jobs") },
        ConvertOptionParser::tr("Convert N pages at once, each in a view of its own (1 to %1; "
                                "default 1). Results are still printed in input order.")
            .arg(ConvertOptions::MaxJobs),
        QStringLiteral("N") };
    QCommandLineOption help { { QStringLiteral("h"), QStringLiteral("help") },
        ConvertOptionParser::tr("Show this help.") };
    QCommandLineOption version { { QStringLiteral("v"), QStringLiteral("version") },
        ConvertOptionParser::tr("Show the version.") };

    void addTo(QCommandLineParser& parser) const
    {
        parser.setApplicationDescription(ConvertOptionParser::tr(
            "Converts web pages into image, PDF or text files, one page at a time or "
            "several at once (--jobs)."));
        parser.addOptions({ settings, folder, file, format, set, engine, chromium, width, height,
            scale, viewportOnly, selector, waitFor, wait, hide, hideCookieBanners, userAgent,
            colorScheme, media, inputs, pdfPaper, pdfLandscape, pdfMargin, pdfBackground,
            noPdfBackground, pdfHeaderFooter, header, headerEverywhere, cookies, auth, authFile,
            proxy, proxyFile, ignoreHttpsErrors, javascript, style, json, quiet, jobs, help,
            version });
        parser.addOption(markdownAll);
        parser.addPositionalArgument(QStringLiteral("inputs"),
            ConvertOptionParser::tr("Web addresses, local HTML files, .ulf list files, and - for "
                                    "addresses read from standard input, one per line. A name "
                                    "that is no file but looks like a host is a web address: "
                                    "example.org is https://example.org, localhost:8080 is "
                                    "http://localhost:8080."),
            QStringLiteral("INPUT..."));
    }
};

QString canonicalFormat(const QString& given)
{
    QString format = given.trimmed().toUpper();
    // The other names people know these formats by.
    if (format == QLatin1String("JPEG"))
        format = OutputFormatName(OutputFormat::Jpg);
    if (format == QLatin1String("TIF"))
        format = OutputFormatName(OutputFormat::Tiff);
    if (format == QLatin1String("MARKDOWN"))
        format = OutputFormatName(OutputFormat::Md);
    return ConvertOptionParser::formats().contains(format) ? format : QString();
}

// Why the settings file named on the command line cannot be used, in words, or
// empty. It is opened the way every read opens it: a FIFO does not block, a
// device is not read.
QString settingsFileProblem(const QString& given, const QString& path)
{
    QFile file;
    RegularFileFault fault = RegularFileFault::None;
    QString reason;
    if (!OpenRegularFile(path, &file, &reason, &fault)) {
        switch (fault) {
        case RegularFileFault::Missing:
            return ConvertOptionParser::tr("no settings file %1").arg(given);
        case RegularFileFault::NotRegular:
            return ConvertOptionParser::tr("%1 is not a regular file").arg(given);
        case RegularFileFault::LinkLoop:
            return ConvertOptionParser::tr("%1: too many levels of symbolic links").arg(given);
        default:
            return ConvertOptionParser::tr("cannot read the settings file %1: %2")
                .arg(given, reason);
        }
    }
    if (file.size() > MaxSettingsFileBytes)
        return ConvertOptionParser::tr("%1 is too large for a settings file (over %2 MB)")
            .arg(given)
            .arg(MaxSettingsFileBytes / (1024 * 1024));
    return QString();
}

} // namespace

const QStringList& ConvertOptionParser::formats()
{
    static const QStringList names = OutputFormatNames();
    return names;
}

bool ConvertOptionParser::parse(
    const QStringList& arguments, ConvertOptions* options, QString* error) const
{
    QCommandLineParser parser;
    const Options o;
    o.addTo(parser);
    if (!parser.parse(QStringList { QStringLiteral("pagelith-convert") } + arguments)) {
        *error = parser.errorText();
        return false;
    }
    options->engine = parser.value(o.engine);
    options->chromiumPath = parser.value(o.chromium);
    if (parser.isSet(o.engine) && options->engine != QLatin1String("chromium")
        && options->engine != QLatin1String("qt")) {
        *error = tr("--engine takes chromium or qt, not '%1'").arg(options->engine);
        return false;
    }
    if (parser.isSet(o.help)) {
        options->action = ConvertOptions::Action::Help;
        return true;
    }
    if (parser.isSet(o.version)) {
        options->action = ConvertOptions::Action::Version;
        return true;
    }
    if (parser.isSet(o.format)) {
        options->format = canonicalFormat(parser.value(o.format));
        if (options->format.isEmpty()) {
            *error = QStringLiteral("unknown format '%1'; use one of %2")
                         .arg(parser.value(o.format), formats().join(QStringLiteral(", ")));
            return false;
        }
    }
    if (parser.isSet(o.settings)) {
        options->settingsFile = QFileInfo(parser.value(o.settings)).absoluteFilePath();
        *error = settingsFileProblem(parser.value(o.settings), options->settingsFile);
        if (!error->isEmpty())
            return false;
    }
    if (parser.isSet(o.folder)) {
        // "-" stands for standard input everywhere else on this command line; a
        // folder of that name is never what was meant (./- still names one).
        if (parser.value(o.folder) == QLatin1String("-")) {
            *error = tr("-o takes a folder; - is standard input only (write ./- for a folder "
                        "named -)");
            return false;
        }
        options->outputFolder = QFileInfo(parser.value(o.folder)).absoluteFilePath();
    }
    if (!ReadOutputFile(parser, options, error))
        return false;
    for (const QString& assignment : parser.values(o.set)) {
        if (!options->overrides.add(assignment, error))
            return false;
    }
    // Each capture option is its [capture] key for this run.
    const auto number
        = [&](const QCommandLineOption& option, double low, double high, const QString& key) {
              if (!parser.isSet(option))
                  return true;
              const QString text = parser.value(option).trimmed();
              bool ok = false;
              const double value = text.toDouble(&ok);
              if (!ok || value < low || value > high) {
                  *error = tr("--%1 takes a number from %2 to %3, not '%4'")
                               .arg(option.names().constLast())
                               .arg(PlainNumber(low), PlainNumber(high), parser.value(option));
                  return false;
              }
              return options->overrides.add(key + QLatin1Char('=') + text, error);
          };
    if (!number(o.width, CaptureOptions::MinViewport, CaptureOptions::MaxViewport,
            KeyOf(Setting::ViewportWidth).name)
        || !number(o.height, CaptureOptions::MinViewport, CaptureOptions::MaxViewport,
            KeyOf(Setting::ViewportHeight).name)
        || !number(o.scale, 1, CaptureOptions::MaxScale, KeyOf(Setting::Scale).name))
        return false;
    if (parser.isSet(o.viewportOnly)
        && !options->overrides.add(KeyOf(Setting::ViewportOnly).name + QStringLiteral("=1"), error))
        return false;
    if (!number(o.wait, 0, CaptureOptions::MaxExtraWaitMs, KeyOf(Setting::ExtraWait).name))
        return false;
    const auto text = [&](Setting setting, const QString& value) {
        return options->overrides.add(KeyOf(setting).name + QLatin1Char('=') + value, error);
    };
    // A selector is checked now, not after a page has loaded for it.
    for (const QCommandLineOption* option : { &o.selector, &o.waitFor, &o.hide }) {
        for (const QString& value : parser.values(*option)) {
            if (const QString problem = SelectorProblem(value); !problem.isEmpty()) {
                *error = tr("--%1: '%2' is no CSS selector: %3")
                             .arg(option->names().constLast(), value, problem);
                return false;
            }
        }
    }
    if (parser.isSet(o.selector) && !text(Setting::Selector, parser.value(o.selector)))
        return false;
    if (parser.isSet(o.waitFor) && !text(Setting::WaitFor, parser.value(o.waitFor)))
        return false;
    // The selectors hidden make one selector list.
    if (parser.isSet(o.hide)
        && !text(Setting::Hide, parser.values(o.hide).join(QStringLiteral(", "))))
        return false;
    if (parser.isSet(o.hideCookieBanners) && !text(Setting::HideCookieBanners, QStringLiteral("1")))
        return false;
    if (parser.isSet(o.userAgent) && !text(Setting::UserAgent, parser.value(o.userAgent)))
        return false;
    const auto choice
        = [&](const QCommandLineOption& option, Setting setting, const QStringList& allowed) {
              if (!parser.isSet(option))
                  return true;
              const QString value = parser.value(option).trimmed().toLower();
              if (!allowed.contains(value)) {
                  *error = tr("--%1 takes %2, not '%3'")
                               .arg(option.names().constLast(),
                                   allowed.join(QStringLiteral(" or ")), parser.value(option));
                  return false;
              }
              return text(setting, value);
          };
    if (!choice(o.colorScheme, Setting::ColorScheme, { "light", "dark" })
        || !choice(o.media, Setting::Media, { "print", "screen" })
        || !choice(o.inputs, Setting::Inputs, { "web", "local", "any" }))
        return false;
    // The PDF's page: paper and margin are checked together, as they must fit.
    QSizeF paper = PdfPageSetup::defaultPaperMm();
    if (parser.isSet(o.pdfPaper)) {
        const std::optional<QSizeF> given = PdfPageSetup::parsePaper(parser.value(o.pdfPaper));
        if (!given) {
            *error = tr("--pdf-paper takes %1 or WIDTHxHEIGHT with units (210mmx297mm, "
                        "8.5inx11in), each side 1in to 200in, not '%2'")
                         .arg(PdfPageSetup::paperNames(), parser.value(o.pdfPaper));
            return false;
        }
        paper = *given;
        if (!text(Setting::PdfPaper, parser.value(o.pdfPaper).trimmed()))
            return false;
    }
    if (parser.isSet(o.pdfMargin)) {
        const std::optional<double> margin = PdfPageSetup::parseLength(parser.value(o.pdfMargin));
        if (!margin) {
            *error = tr("--pdf-margin takes a length in mm, cm, in, pt or px (10mm, 0.5in, "
                        "20px), not '%1'")
                         .arg(parser.value(o.pdfMargin));
            return false;
        }
        if (!PdfPageSetup::marginFits(*margin, paper)) {
            *error = tr("--pdf-margin %1 leaves less than %2 mm of the paper to print on")
                         .arg(parser.value(o.pdfMargin))
                         .arg(PdfPageSetup::MinPrintableMm);
            return false;
        }
        if (!text(Setting::PdfMargin, parser.value(o.pdfMargin).trimmed()))
            return false;
    }
    if (parser.isSet(o.pdfBackground) && parser.isSet(o.noPdfBackground)) {
        *error = tr("--pdf-background and --no-pdf-background cannot be given together");
        return false;
    }
    if ((parser.isSet(o.pdfLandscape) && !text(Setting::PdfLandscape, QStringLiteral("1")))
        || (parser.isSet(o.pdfBackground) && !text(Setting::PdfBackground, QStringLiteral("1")))
        || (parser.isSet(o.noPdfBackground) && !text(Setting::PdfBackground, QStringLiteral("0")))
        || (parser.isSet(o.pdfHeaderFooter)
            && !text(Setting::PdfHeaderFooter, QStringLiteral("1"))))
        return false;
    if (!ReadRequestOptions(parser, options, error))
        return false;
    options->json = parser.isSet(o.json);
    options->quiet = parser.isSet(o.quiet);
    if (parser.isSet(o.jobs)) {
        bool ok = false;
        options->jobs = parser.value(o.jobs).toInt(&ok);
        if (!ok || options->jobs < 1 || options->jobs > ConvertOptions::MaxJobs) {
            *error = tr("--jobs takes a number from 1 to %1, not '%2'")
                         .arg(ConvertOptions::MaxJobs)
                         .arg(parser.value(o.jobs));
            return false;
        }
    }
    options->inputs = parser.positionalArguments();
    if (options->inputs.isEmpty()) {
        *error = tr("no input given");
        return false;
    }
    return true;
}

QString ConvertOptionParser::helpText(const AppFolders& folders)
{
    QCommandLineParser parser;
    const Options o;
    o.addTo(parser);
    QString text = parser.helpText();
    // Qt names the program by the path it was started from.
    text.replace(QRegularExpression(QStringLiteral("^Usage: \\S+")),
        QStringLiteral("Usage: pagelith-convert"));
    text += tr("\nKeys for --set (see man pagelith-convert):\n");
    QString line;
    for (const QString& key : SettingOverrides::knownKeys()) {
        if (!line.isEmpty() && line.size() + key.size() > 74) {
            text += QStringLiteral("  ") + line + QStringLiteral(",\n");
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(", ")) + key;
    }
    text += QStringLiteral("  ") + line + QLatin1Char('\n');
    text += tr("\nFiles (%1 copy):\n").arg(folders.isPortable() ? tr("portable") : tr("installed"));
    for (const QString& line : folders.describe()) {
        // The desktop program's temporary files are not the converter's.
        if (line.startsWith(QLatin1String("temporary files")))
            text += QStringLiteral("  temporary files  %1\n")
                        .arg(ConvertCommand::tempFolderTemplate(folders));
        else
            text += QStringLiteral("  ") + line + QLatin1Char('\n');
    }
    text += tr("\nExit status: 0 every page written, 1 any page failed or a list line was not "
               "text,\n  2 a usage error, 130 stopped by SIGINT (Ctrl-C), 143 stopped by "
               "SIGTERM.\n");
    return text;
}
