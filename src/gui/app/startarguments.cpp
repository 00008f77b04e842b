#include "gui/app/startarguments.h"

#include "core/urllist/urllistfile.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

bool isListFile(const QString& path)
{
    return path.endsWith(QLatin1String(".ulf"), Qt::CaseInsensitive);
}

} // namespace

StartInputs ResolveStartArguments(const QStringList& arguments, const QString& workingFolder)
{
    StartInputs inputs;
    const QDir base(workingFolder);
    for (const QString& argument : arguments) {
        if (argument.isEmpty() || argument.startsWith(QLatin1Char('-')))
            continue;
        QString path = argument;
        if (argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
            path = QUrl(argument).toLocalFile();
        else if (argument.contains(QLatin1String("://"))) {
            inputs.addresses.append(argument);
            continue;
        }
        const QFileInfo file(base, path);
        if (isListFile(path)) {
            QStringList listed;
            QString error;
            if (LoadUrlList(file.absoluteFilePath(), &listed, &error))
                inputs.addresses += listed;
            else
                inputs.problems.append(error);
            continue;
        }
        // A name that is no file here is an address without its scheme.
        inputs.addresses.append(file.isFile() ? file.absoluteFilePath() : path);
    }
    return inputs;
}
