#include "convertcommand.h"

#include "app/appfolders.h"
#include "app/appinfo.h"
#include "convertoptions.h"
#include "convertqueue.h"
#include "convertreporter.h"
#include "inputcollector.h"
#include "runtempfolders.h"
#include "settings/settingsdefaults.h"
#include "stopsignals.h"
#include "terminaltext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

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
        return printAnswer(options.action, folders, out);

    QList<PageInput> pages;
    QStringList skippedLines;
    if (!collectPages(options.inputs, &pages, &skippedLines, &error))
        return usageError(err, error);
    for (const QString& line : std::as_const(skippedLines))
        err << ProgramPrefix << TerminalText(line) << Qt::endl;
    // Nothing queued would leave nothing to end the event loop.
    if (pages.isEmpty())
        return usageError(err, tr("no addresses to convert"));

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
    ConversionRequest request;
    if (!makeRequest(options, folders, tempFolder, &request, &error))
        return runError(err, TerminalText(error));

    const int failed = convertPages(options, request, pages, out, err);
    if (m_stopSignal != 0)
        return 128 + m_stopSignal;
    return failed == 0 && skippedLines.isEmpty() ? AllWritten : SomeFailed;
}

int ConvertCommand::printAnswer(
    ConvertOptions::Action action, const AppFolders& folders, QTextStream& out)
{
    if (action == ConvertOptions::Action::Help) {
        out << ConvertOptionParser::helpText(folders);
        out.flush();
    } else {
        out << "pagelith-convert " << AppInfo::version() << Qt::endl;
    }
    return AllWritten;
}

bool ConvertCommand::collectPages(const QStringList& inputs, QList<PageInput>* pages,
    QStringList* skippedLines, QString* error) const
{
    InputCollector collector(m_standardInput);
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
    if (options.overrides.isEmpty())
        return true;
    // The settings with the overrides go into a copy in the run's temporary folder.
    const QString copy = tempFolder.filePath(QString::fromLatin1(AppInfo::SettingsFileName));
    if (!options.overrides.writeCopy(request->settingsFile, copy, error))
        return false;
    request->settingsFile = copy;
    return true;
}

int ConvertCommand::convertPages(const ConvertOptions& options, const ConversionRequest& request,
    const QList<PageInput>& pages, QTextStream& out, QTextStream& err)
{
    ConvertReporter::Style style;
    style.json = options.json;
    style.quiet = options.quiet;
    style.terminal = m_errIsTerminal;
    style.columns = m_columns;
    ConvertReporter reporter(out, err, style);
    ConvertQueue queue(request, pages);
    queue.setParallelPages(options.jobs);
    QObject::connect(&queue, &ConvertQueue::pageStarted, &reporter, &ConvertReporter::pageStarted);
    QObject::connect(
        &queue, &ConvertQueue::pageFinished, &reporter, &ConvertReporter::pageFinished);
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
