#include "cli/convertcommand.h"

#include "cli/convertoptions.h"
#include "cli/convertqueue.h"
#include "cli/convertreporter.h"
#include "cli/inputcollector.h"
#include "cli/optionchecks.h"
#include "cli/outputfile.h"
#include "cli/runtempfolders.h"
#include "cli/standardinputreader.h"
#include "cli/stopsignals.h"
#include "cli/terminaltext.h"
#include "core/app/appfolders.h"
#include "core/app/appinfo.h"
#include "core/settings/settingreaders.h"
#include "core/settings/settingsdefaults.h"
#include "engine/capture/captureoptionsreader.h"
#include "engine/chromium/chromiumbrowser.h"
#include "engine/setup/sandboxpolicy.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtWebEngineCore/qtwebenginecoreglobal.h>

namespace {

const char* const ProgramPrefix = "pagelith-convert: ";

int usageError(QTextStream& err, const QString& message, bool hint = false)
{
    err << ProgramPrefix << TerminalText(message) << Qt::endl;
    if (hint)
        err << ConvertCommand::tr("Try 'pagelith-convert --help'.") << Qt::endl;
    return ConvertCommand::UsageError;
}

int runError(QTextStream& err, const QString& message)
{
    err << ProgramPrefix << message << Qt::endl;
    return ConvertCommand::SomeFailed;
}

} // namespace

QString ConvertCommand::tempFolderTemplate(const AppFolders& folders)
{
    const QString base = folders.isPortable() ? QDir::tempPath() : folders.tempFolder();
    return RunTempFolderTemplate(base, QCoreApplication::applicationPid());
}

ConvertCommand::ConvertCommand(const QString& programFolder)
    : m_programFolder(programFolder)
{
}

void ConvertCommand::interrupt(int signalNumber)
{
    if (m_stopSignal == 0)
        m_stopSignal = signalNumber;
    if (m_queue)
        m_queue->stop();
    if (m_inputReader)
        m_inputReader->stop();
}

void ConvertCommand::setTerminal(bool errIsTerminal, int columns)
{
    m_errIsTerminal = errIsTerminal;
    m_columns = columns;
}

int ConvertCommand::run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    ConvertOptions options;
    QString error;
    if (!ConvertOptionParser().parse(arguments, &options, &error))
        return usageError(err, error, !error.startsWith(QLatin1String("unknown settings key")));
    const AppFolders folders(m_programFolder);
    if (options.action != ConvertOptions::Action::Convert)
        return printAnswer(options, folders, out, err);

    if (options.outputFile == QLatin1String("-") && !m_standardOutput)
        return usageError(err, tr("-O -: there is no standard output to write to"));
    // A picture or a PDF would fill a terminal with bytes and may upset it.
    if (options.outputFile == QLatin1String("-") && m_outIsTerminal
        && options.format != QLatin1String("TXT"))
        return usageError(err,
            tr("-O -: standard output is a terminal; send it to a file or a program "
               "(> page.png, | ...), or use -f txt"));

    if (!folders.prepare(&error))
        return runError(err, TerminalText(error));
    // What a killed run left behind goes first.
    RemoveDeadRunFolders(QFileInfo(tempFolderTemplate(folders)).path());
    // The run's own temporary folder, so that a conversion beside the desktop
    // program neither reads nor deletes its "tempimage.bmp".
    const QTemporaryDir tempFolder(tempFolderTemplate(folders));
    if (!tempFolder.isValid())
        return runError(
            err, tr("cannot create a temporary folder: ") + TerminalText(tempFolder.errorString()));
    // The browser's profile goes in it too, and with it.
    ChromiumBrowser::setRunFolder(tempFolder.path());
    ConversionRequest request;
    if (!makeRequest(options, folders, tempFolder, &request, &error))
        return runError(err, TerminalText(WithoutPasswords(error)));

    EngineChoice engine;
    if (!chooseEngine(options, request.settingsFile, &engine, &error))
        return usageError(err, error);
    // An option the engine would drop is refused, never ignored.
    if (engine.kind == EngineKind::Qt) {
        const QStringList refused
            = OptionsQtCannotHonour(CaptureOptionsFromSettings(request.settingsFile));
        // Chromium is offered only where there is one to run.
        ConvertOptions askingChromium = options;
        askingChromium.engine = QStringLiteral("chromium");
        EngineChoice chromium;
        QString noChromium;
        const bool haveChromium
            = chooseEngine(askingChromium, request.settingsFile, &chromium, &noChromium);
        if (!refused.isEmpty())
            return usageError(err,
                (haveChromium
                        ? tr("%1 cannot be honoured by the Qt WebEngine engine; use --engine "
                             "chromium")
                        : tr("%1 cannot be honoured by the Qt WebEngine engine, and no Chromium "
                             "is installed to honour it (install the chromium package)"))
                    .arg(refused.join(QStringLiteral(", "))));
    }

    // Inputs are read once the options are known good: standard input may be long.
    QList<PageInput> pages;
    QStringList skippedLines;
    if (!collectPages(options.inputs, &pages, &skippedLines, &error)) {
        if (m_stopSignal != 0) {
            err << ProgramPrefix << tr("Stopped by %1").arg(StopSignals::name(m_stopSignal))
                << Qt::endl;
            return 128 + m_stopSignal;
        }
        return usageError(err, WithoutPasswords(error));
    }
    for (const QString& line : std::as_const(skippedLines))
        err << ProgramPrefix << TerminalText(line) << Qt::endl;
    // Nothing queued would leave nothing to end the event loop.
    if (pages.isEmpty())
        return usageError(err, tr("no addresses to convert"));
    if (!options.outputFile.isEmpty() && pages.size() != 1)
        return usageError(
            err, tr("-O writes one page's file; the inputs hold %1 pages").arg(pages.size()));
    // Notices are for people: --quiet keeps to failures and the summary.
    if (!engine.notice.isEmpty() && !options.quiet)
        err << ProgramPrefix << engine.notice << Qt::endl;
    if (const QString sandbox = SandboxNotice(); !sandbox.isEmpty() && !options.quiet)
        err << ProgramPrefix << sandbox << Qt::endl;

    const int failed = convertPages(options, engine, request, pages, out, err);
    if (m_stopSignal != 0)
        return 128 + m_stopSignal;
    return failed == 0 && skippedLines.isEmpty() ? AllWritten : SomeFailed;
}

bool ConvertCommand::chooseEngine(const ConvertOptions& options, const QString& settingsFile,
    EngineChoice* engine, QString* error)
{
    const QString requested = !options.engine.isEmpty()
        ? options.engine
        : ReadTextSetting(settingsFile, Setting::Engine);
    const QString chromium = !options.chromiumPath.isEmpty()
        ? options.chromiumPath
        : ReadTextSetting(settingsFile, Setting::ChromiumPath);
    return ChooseEngine(requested, chromium, engine, error);
}

QString ConvertCommand::engineVersion(const EngineChoice& engine)
{
    if (engine.kind == EngineKind::Qt)
        return tr("Qt WebEngine %1 (Chromium %2)")
            .arg(QString::fromLatin1(qWebEngineVersion()),
                QString::fromLatin1(qWebEngineChromiumVersion()));
    // The version is the browser's own answer, so the browser is started once.
    ChromiumBrowser browser(engine.chromiumPath);
    QEventLoop loop;
    QString error;
    bool answered = false;
    browser.whenReady([&](const QString& reason) {
        error = reason;
        answered = true;
        loop.quit();
    });
    if (!answered)
        loop.exec();
    const QString product = browser.version().replace(QLatin1String("Chrome/"), QString());
    return error.isEmpty() ? tr("Chromium %1 (%2)").arg(product, engine.chromiumPath) : error;
}

int ConvertCommand::printAnswer(
    const ConvertOptions& options, const AppFolders& folders, QTextStream& out, QTextStream& err)
{
    if (options.action == ConvertOptions::Action::Help) {
        out << ConvertOptionParser::helpText(folders);
        out.flush();
        return AllWritten;
    }
    out << "pagelith-convert " << AppInfo::version() << Qt::endl;
    EngineChoice engine;
    QString error;
    const QString settingsFile
        = options.settingsFile.isEmpty() ? folders.settingsFile() : options.settingsFile;
    if (!chooseEngine(options, settingsFile, &engine, &error))
        return usageError(err, error);
    out << tr("engine: %1").arg(engineVersion(engine)) << Qt::endl;
    return AllWritten;
}

bool ConvertCommand::collectPages(
    const QStringList& inputs, QList<PageInput>* pages, QStringList* skippedLines, QString* error)
{
    QBuffer standardInput;
    if (inputs.contains(QStringLiteral("-"))) {
        StandardInputReader reader;
        m_inputReader = &reader;
        if (m_stopSignal != 0)
            reader.stop();
        QByteArray bytes;
        const StandardInputReader::Outcome outcome = m_standardInput
            ? reader.read(m_standardInput, &bytes, error)
            : reader.read(m_standardInputFd, &bytes, error);
        m_inputReader = nullptr;
        if (outcome != StandardInputReader::Outcome::Ended)
            return false;
        standardInput.setData(bytes);
        standardInput.open(QIODevice::ReadOnly);
    }
    InputCollector collector(&standardInput);
    if (!collector.collect(inputs, pages, error))
        return false;
    *skippedLines = collector.skippedLines();
    return true;
}

bool ConvertCommand::makeRequest(const ConvertOptions& options, const AppFolders& folders,
    const QTemporaryDir& tempFolder, ConversionRequest* request, QString* error)
{
    request->applicationFolder = folders.defaultOutputFolder();
    request->tempFolder = tempFolder.path();
    request->settingsFile
        = options.settingsFile.isEmpty() ? folders.settingsFile() : options.settingsFile;
    request->formatOverride = options.format;
    request->outputFolderOverride = options.outputFolder;
    // The page's file is made where no other file is, and moved into place whole.
    if (!options.outputFile.isEmpty())
        request->outputFolderOverride = tempFolder.filePath(QStringLiteral("output"));
    if (options.overrides.isEmpty())
        return true;
    // The settings with the overrides go into a copy in the run's temporary folder.
    const QString copy = tempFolder.filePath(QString::fromLatin1(AppInfo::SettingsFileName));
    if (!options.overrides.writeCopy(request->settingsFile, copy, error))
        return false;
    request->settingsFile = copy;
    return true;
}

int ConvertCommand::convertPages(const ConvertOptions& options, const EngineChoice& engine,
    const ConversionRequest& request, const QList<PageInput>& pages, QTextStream& out,
    QTextStream& err)
{
    ConvertReporter::Style style;
    style.json = options.json;
    style.peopleOnError = options.outputFile == QLatin1String("-");
    style.quiet = options.quiet;
    style.terminal = m_errIsTerminal;
    style.columns = m_columns;
    ConvertReporter reporter(out, err, style);
    ConvertQueue queue(request, pages);
    queue.setEngine(engine);
    queue.setParallelPages(options.jobs);
    QObject::connect(&queue, &ConvertQueue::pageStarted, &reporter,
        [&reporter](int number, const PageInput& page) {
            reporter.pageStarted(
                number, PageInput { WithoutPasswords(page.input), WithoutPasswords(page.address) });
        });
    QObject::connect(&queue, &ConvertQueue::pageFinished, &reporter,
        [&](int number, const PageInput& page, const ConversionResult& result) {
            ConversionResult shown = result;
            if (!options.outputFile.isEmpty() && result.ok) {
                QString reason;
                if (DeliverOutputFile(result.filesWritten.constLast(), options.outputFile,
                        m_standardOutput, &reason)) {
                    shown.filesWritten = QStringList { options.outputFile == QLatin1String("-")
                            ? tr("standard output")
                            : options.outputFile };
                } else {
                    shown.ok = false;
                    shown.reason = reason;
                    shown.filesWritten.clear();
                }
            }
            // A password in an address is named nowhere, not in JSON either.
            shown.pageAddress = WithoutPasswords(shown.pageAddress);
            shown.reason = WithoutPasswords(shown.reason);
            for (QString& file : shown.filesWritten)
                file = WithoutPasswords(file);
            reporter.pageFinished(number,
                PageInput { WithoutPasswords(page.input), WithoutPasswords(page.address) }, shown);
        });
    reporter.begin(queue.pageCount());
    m_queue = &queue;
    if (m_stopSignal != 0)
        queue.stop();
    queue.run();
    m_queue = nullptr;
    const QString stoppedBy = m_stopSignal != 0 ? StopSignals::name(m_stopSignal) : QString();
    const int failed = reporter.end(stoppedBy);
    // The copy goes with the temporary folder.
    if (!options.overrides.isEmpty())
        SetSettingsDefaults(request.settingsFile, QString());
    return failed;
}
