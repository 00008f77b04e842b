#include "core/app/appinfo.h"

#include <QDir>

namespace AppInfo {

QString title()
{
    return QStringLiteral("Pagelith");
}

QString version()
{
    return QStringLiteral(PAGELITH_VERSION);
}

QString mainCaption()
{
    return title() + QStringLiteral(" v") + version();
}

QString pathIn(const QString& applicationFolder, const QString& fileName)
{
    return QDir(applicationFolder).filePath(fileName);
}

} // namespace AppInfo
