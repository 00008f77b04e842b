#include "core/schedule/schedulefile.h"

#include "core/files/fileerror.h"
#include "core/files/wholefile.h"
#include "core/text/localeencoding.h"
#include "core/text/textlines.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

void SetError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// One field's text. Each field is decoded on its own, and a decoder drops a
// byte order mark at the start of what it decodes: a U+FEFF that begins a
// field is kept, as it is when the whole file is decoded at once.
QString DecodeField(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringConverter::System,
        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

ScheduleEntry EntryOfLine(QByteArrayView line)
{
    ScheduleEntry entry;
    QString* const fields[] = { &entry.StartTime, &entry.Url, &entry.Status, &entry.Comment };
    qsizetype start = 0;
    for (QString* field : fields) {
        if (start > line.size())
            break;
        qsizetype tab = line.indexOf('\t', start);
        if (tab < 0)
            tab = line.size();
        const QByteArray bytes = line.sliced(start, tab - start).toByteArray();
        *field = DecodeField(bytes);
        entry.storedFields.append(bytes);
        start = tab + 1;
    }
    return entry;
}

// The stored bytes while the text is still what they decode to, else the text
// encoded afresh.
QByteArray FieldBytes(const QString& text, const ScheduleEntry& entry, int index)
{
    if (index < entry.storedFields.size()) {
        const QByteArray& stored = entry.storedFields.at(index);
        if (DecodeField(stored) == text)
            return stored;
    }
    return EncodeLocaleText(OneLineField(text));
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
            SetError(error, FileErrorText(QStringLiteral("create"), path, create.errorString()));
            return false;
        }
        return true;
    }

    // A byte order mark is no part of the first start time.
    QByteArray bytes;
    if (!ReadWholeFile(path, &bytes, error, ByteOrderMark::Drop))
        return false;

    QList<ScheduleEntry> loaded;
    const QList<ByteLine> lines = SplitByteLines(bytes);
    loaded.reserve(lines.size());
    for (const ByteLine& line : lines)
        loaded.append(EntryOfLine(line.content));
    if (entries)
        *entries = loaded;
    return true;
}

bool SaveScheduleFile(const QString& path, const QList<ScheduleEntry>& entries, QString* error)
{
    QByteArray bytes;
    for (const ScheduleEntry& entry : entries) {
        bytes += FieldBytes(entry.StartTime, entry, 0) + '\t' + FieldBytes(entry.Url, entry, 1)
            + '\t' + FieldBytes(entry.Status, entry, 2) + '\t' + FieldBytes(entry.Comment, entry, 3)
            + "\r\n";
    }
    // The first start time begins with U+FEFF: a mark ahead of it keeps it
    // from being read as the file's byte order mark.
    if (bytes.startsWith(Utf8ByteOrderMark))
        bytes.prepend(Utf8ByteOrderMark);
    return WriteWholeFile(path, bytes, error);
}
