#include "schedulefile.h"

#include "text/localeencoding.h"
#include "text/textlines.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

void SetError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

} // namespace

bool LoadScheduleFile(const QString& path, QList<ScheduleEntry>* entries, QString* error)
{
    if (entries)
        entries->clear();
    if (path.isEmpty()) {
        SetError(error, QStringLiteral("No schedule file given"));
        return false;
    }

    if (!QFileInfo::exists(path)) {
        QFile create(path);
        if (!create.open(QIODevice::WriteOnly)) {
            SetError(error, QStringLiteral("Cannot create %1: %2").arg(path, create.errorString()));
            return false;
        }
        return true;
    }

    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        SetError(error, QStringLiteral("Cannot read %1: %2").arg(path, in.errorString()));
        return false;
    }
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError) {
        SetError(error, QStringLiteral("Cannot read %1: %2").arg(path, in.errorString()));
        return false;
    }

    QString text = DecodeLocaleText(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    QList<ScheduleEntry> loaded;
    for (const QString& line : SplitTextLines(text)) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        ScheduleEntry entry;
        entry.StartTime = fields.value(0);
        entry.Url = fields.value(1);
        entry.Status = fields.value(2);
        entry.Comment = fields.value(3);
        loaded.append(entry);
    }
    if (entries)
        *entries = loaded;
    return true;
}

bool SaveScheduleFile(const QString& path, const QList<ScheduleEntry>& entries, QString* error)
{
    QString text;
    for (const ScheduleEntry& entry : entries) {
        text += OneLineField(entry.StartTime) + QLatin1Char('\t') + OneLineField(entry.Url)
            + QLatin1Char('\t') + OneLineField(entry.Status) + QLatin1Char('\t')
            + OneLineField(entry.Comment) + QLatin1String("\r\n");
    }
    const QByteArray bytes = EncodeLocaleText(text);

    QSaveFile out(path);
    if (path.isEmpty() || !out.open(QIODevice::WriteOnly)) {
        SetError(error, QStringLiteral("Cannot write %1: %2").arg(path, out.errorString()));
        return false;
    }
    if (out.write(bytes) != bytes.size() || !out.commit()) {
        SetError(error, QStringLiteral("Cannot write %1: %2").arg(path, out.errorString()));
        return false;
    }
    return true;
}
