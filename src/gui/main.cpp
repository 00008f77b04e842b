#include "app/appinfo.h"
#include "app/appshell.h"
#include "enginesetup.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // The capture needs its rendering path chosen before Qt starts.
    PrepareEngineEnvironment();
    QApplication application(argc, argv);
    QApplication::setApplicationName(AppInfo::title());
    QApplication::setApplicationVersion(AppInfo::version());
    QGuiApplication::setDesktopFileName(QStringLiteral("pagelith"));

    AppShell shell(QCoreApplication::applicationDirPath());
    if (!shell.start())
        return 1;
    return application.exec();
}
