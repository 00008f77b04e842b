#include "convertcommand.h"
#include "enginesetup.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    // A converter shows no window: it runs without any display unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    PrepareEngineEnvironment();
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    ConvertCommand command(QCoreApplication::applicationDirPath());
    return command.run(app.arguments().mid(1), out, err);
}
