#include "gui/widgets/skin.h"

#include "core/app/appinfo.h"

#include <QApplication>
#include <QFile>
#include <QStringDecoder>

bool ApplySkin(QApplication* application, const QString& applicationFolder, QString* error)
{
    QFile file(AppInfo::pathIn(applicationFolder, QString::fromLatin1(AppInfo::SkinFileName)));
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    // A binary or truncated file would make the style sheet parser drop the
    // whole sheet anyway; refusing it here keeps the reason visible.
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString sheet = decoder.decode(bytes);
    if (decoder.hasError() || bytes.contains('\0')) {
        if (error)
            *error = QCoreApplication::translate(
                "ApplySkin", "The skin file is not a text style sheet.");
        return false;
    }
    application->setStyleSheet(sheet);
    return true;
}
