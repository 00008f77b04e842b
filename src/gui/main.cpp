#include "core/app/appinfo.h"
#include "engine/capture/waitlimits.h"
#include "engine/qtwebengine/pdfrenderer.h"
#include "engine/setup/enginesetup.h"
#include "gui/app/appshell.h"
#include "gui/app/singleinstance.h"
#include "gui/mainwindow/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstring>

namespace {

// --help and --version are answered before Qt starts: they need no display, and
// a terminal without one must get its answer, not an abort.
bool answerAndExit(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--") == 0)
            return false;
        if (std::strcmp(argument, "--version") == 0 || std::strcmp(argument, "-v") == 0) {
            std::printf("pagelith %s\n", qPrintable(AppInfo::version()));
            return true;
        }
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            std::fputs(
                "Usage: pagelith [FILE|ADDRESS|LIST.ulf]...\n"
                "Opens the Pagelith window, which turns web pages into pictures, PDF or text.\n"
                "Web addresses, local HTML files and the lines of .ulf list files given here\n"
                "are added to its batch list; when the window is already open they go to it.\n"
                "\n"
                "  -h, --help     Show this help and exit.\n"
                "  -v, --version  Show the version and exit.\n"
                "\n"
                "Pages are converted from a shell, without a window, by pagelith-convert\n"
                "(see pagelith-convert --help and man pagelith).\n",
                stdout);
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    if (answerAndExit(argc, argv))
        return 0;
    // The capture needs its rendering path chosen before Qt starts.
    PrepareEngineEnvironment();
    QApplication application(argc, argv);
    QApplication::setApplicationName(AppInfo::title());
    QApplication::setApplicationVersion(AppInfo::version());
    QGuiApplication::setDesktopFileName(QStringLiteral("pagelith"));

    // A second start hands its files and addresses to the window already open.
    const QStringList inputs = QCoreApplication::arguments().mid(1);
    SingleInstance instance(SingleInstance::socketPath(QCoreApplication::applicationDirPath()));
    if (instance.claim(inputs, QDir::currentPath()) == SingleInstance::Role::HandedOver)
        return 0;

    int status = 0;
    {
        AppShell shell(QCoreApplication::applicationDirPath());
        if (!shell.start())
            return 1;
        QObject::connect(&instance, &SingleInstance::argumentsReceived, &shell,
            [&shell](const QStringList& arguments, const QString& workingFolder) {
                shell.openInputs(arguments, workingFolder);
                shell.mainWindow()->restoreFromTray();
            });
        shell.openInputs(inputs, QDir::currentPath());
        status = application.exec();
    }
    // A page whose print was still pending when its window or job went waits for
    // that print's answer; it must go before the browser profile does, which goes
    // with the application.
    PdfRenderer::waitForPendingPrints(WaitMarginMs);
    return status;
}
