#pragma once

#include "cli/convertoptions.h"
#include "cli/pageinput.h"
#include "engine/queue/conversionrequest.h"
#include "engine/setup/enginechoice.h"

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

class AppFolders;
class ConvertQueue;
class StandardInputReader;
class QIODevice;
class QTemporaryDir;
class QTextStream;

// pagelith-convert [options] INPUT...
//
// Converts web addresses, local HTML files, the addresses of .ulf list files and
// of standard input ("-"), one page at a time (or --jobs at once), with the settings of
// settings.dat (where AppFolders puts it; --settings FILE instead, --set KEY=VALUE on top), and
// reports each page and a summary through ConvertReporter:
//   1/2 OK 0.84 s file:///tmp/a.html -> /out/webimage.jpg
//   2/2 FAILED 0.12 s http://host/x: Server error - you may be able to try again
//   2 pages: 1 written, 1 failed, 0.96 s
// With -O the one page is written into a folder of the run's own and its file
// moved to the name given (or copied to standard output) once it is whole.
// Exit codes: 0 every page written, 1 any page failed (or a list line was not
// text), 2 a usage error, 128 + N when stopped by signal N (interrupt()): 130
// for SIGINT, 143 for SIGTERM.
//
// The steps are separate pieces: ConvertOptionParser reads the command line,
// InputCollector makes the pages, ConvertQueue runs them, ConvertReporter prints.
//
// run() needs a QApplication; it returns when every page has ended.
class ConvertCommand
{
    Q_DECLARE_TR_FUNCTIONS(ConvertCommand)

public:
    enum ExitCode { AllWritten = 0, SomeFailed = 1, UsageError = 2 };

    // `programFolder`: the folder the program runs from.
    explicit ConvertCommand(const QString& programFolder);

    // What "-" reads: a device (a test's buffer) or a descriptor (the process's
    // standard input); nothing when neither is set.
    void setStandardInput(QIODevice* input) { m_standardInput = input; }
    void setStandardInputDescriptor(int fd) { m_standardInputFd = fd; }
    // Where "-O -" writes the page's bytes; without it "-O -" is refused, and on
    // a terminal it is refused for every format but text.
    void setStandardOutput(QIODevice* output, bool terminal = false)
    {
        m_standardOutput = output;
        m_outIsTerminal = terminal;
    }
    // Standard error is a terminal this many columns wide: a progress line is drawn.
    void setTerminal(bool errIsTerminal, int columns);

    int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

    // Stops the run as signal `signalNumber` asks (called from the event loop, a
    // signal handler's pipe or a test): the pages in progress are abandoned and
    // leave no file, the rest are not converted, the summary is printed and run()
    // returns 128 + signalNumber.
    void interrupt(int signalNumber);

    // Where a run keeps its temporary files: a folder of its own in the system's
    // temporary folder (portable copy) or in the user's cache folder (installed).
    static QString tempFolderTemplate(const AppFolders& folders);

private:
    // Prints the help or the version.
    // The engine the options and the settings ask for; false with a usage error.
    static bool chooseEngine(const ConvertOptions& options, const QString& settingsFile,
        EngineChoice* engine, QString* error);
    static QString engineVersion(const EngineChoice& engine);
    static int printAnswer(const ConvertOptions& options, const AppFolders& folders,
        QTextStream& out, QTextStream& err);
    // The pages of the inputs, and the lines of list files that were not text;
    // false with the reason when they cannot be read, or after interrupt().
    bool collectPages(const QStringList& inputs, QList<PageInput>* pages, QStringList* skippedLines,
        QString* error);
    // The request every page of the run is converted with.
    static bool makeRequest(const ConvertOptions& options, const AppFolders& folders,
        const QTemporaryDir& tempFolder, ConversionRequest* request, QString* error);
    // Converts the pages, reporting each; returns how many failed.
    int convertPages(const ConvertOptions& options, const EngineChoice& engine,
        const ConversionRequest& request, const QList<PageInput>& pages, QTextStream& out,
        QTextStream& err);

    QString m_programFolder;
    QIODevice* m_standardInput = nullptr;
    int m_standardInputFd = -1;
    QIODevice* m_standardOutput = nullptr;
    bool m_outIsTerminal = false;
    StandardInputReader* m_inputReader = nullptr;
    bool m_errIsTerminal = false;
    int m_columns = 80;
    ConvertQueue* m_queue = nullptr;
    int m_stopSignal = 0;
};
