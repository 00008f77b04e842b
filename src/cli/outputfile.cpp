#include "cli/outputfile.h"

#include "core/files/fileerror.h"
#include "core/files/wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>

bool DeliverOutputFile(
    const QString& written, const QString& target, QIODevice* standardOutput, QString* error)
{
    if (target == QLatin1String("-")) {
        QFile file(written);
        if (!standardOutput || !file.open(QIODevice::ReadOnly)) {
            *error = FileErrorText(QStringLiteral("read"), written, file.errorString());
            return false;
        }
        // In pieces: a PDF or a tall picture may be large.
        while (!file.atEnd()) {
            const QByteArray chunk = file.read(1024 * 1024);
            if (chunk.isEmpty() || standardOutput->write(chunk) != chunk.size()) {
                *error = QObject::tr("Cannot write to standard output: %1")
                             .arg(standardOutput->errorString());
                return false;
            }
        }
        file.remove();
        return true;
    }
    const QString folder = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = FileErrorText(QStringLiteral("create"), folder, SystemErrorText(errno));
        return false;
    }
    // rename() replaces the old file in one step, or fails leaving it whole.
    if (std::rename(QFile::encodeName(written).constData(), QFile::encodeName(target).constData())
        == 0)
        return true;
    if (errno != EXDEV) {
        *error = FileErrorText(QStringLiteral("write"), target, SystemErrorText(errno));
        return false;
    }
    if (!CopyWholeFile(written, target, error))
        return false;
    QFile::remove(written);
    return true;
}
