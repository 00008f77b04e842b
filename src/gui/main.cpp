#include "core/app/appinfo.h"
#include "engine/capture/waitlimits.h"
#include "engine/qtwebengine/pdfrenderer.h"
#include "engine/setup/enginesetup.h"
#include "gui/app/appshell.h"
#include "gui/app/singleinstance.h"
#include "gui/mainwindow/mainwindow.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[])
{
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
