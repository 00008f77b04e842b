#include "cli/convertcommand.h"
#include "cli/stopsignals.h"
#include "engine/capture/waitlimits.h"
#include "engine/qtwebengine/pdfrenderer.h"
#include "engine/setup/enginesetup.h"

#include <QApplication>
#include <QFile>
#include <QTextStream>
#include <sys/ioctl.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    // A converter shows no window: it runs without any display unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    PrepareEngineEnvironment();
    // Qt takes some options for itself (--style, -platform, ...) and removes them
    // from the arguments it hands on, so "--style FILE" would be its widget style,
    // not our style sheet. Qt sees the program's name only; the command line is ours.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    int qtArgc = 1;
    char* qtArgv[] = { argv[0], nullptr };
    QApplication app(qtArgc, qtArgv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    ConvertCommand command(QCoreApplication::applicationDirPath());
    command.setStandardInputDescriptor(STDIN_FILENO);
    // "-O -": the page's bytes, unbuffered, beside nothing else on standard output.
    QFile standardOutput;
    standardOutput.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    command.setStandardOutput(&standardOutput, isatty(STDOUT_FILENO) == 1);
    winsize size {};
    const bool terminal = isatty(STDERR_FILENO) == 1;
    const int columns = terminal && ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0
        ? size.ws_col
        : 80;
    command.setTerminal(terminal, columns);
    // Ctrl-C or a kill stops the run cleanly: no page leaves files half made.
    StopSignals stopSignals;
    QString error;
    if (!stopSignals.install(&error))
        err << "pagelith-convert: " << error << Qt::endl;
    QObject::connect(&stopSignals, &StopSignals::received, &app,
        [&command](int signalNumber) { command.interrupt(signalNumber); });
    const int status = command.run(arguments, out, err);
    // Pages given up on (a failed load's, or one whose print was stopped) wait
    // for their print's answer or for a deferred delete that only an event loop
    // would carry out; they must go before the browser profile does, which goes
    // with the application.
    PdfRenderer::waitForPendingPrints(WaitMarginMs);
    return status;
}
