// The settings store: any file content, any section, key and value. A value
// written is read back (trimmed, line breaks as blanks), writing it again
// changes nothing, and a refused name leaves the file as it was.
//
// Input: section NUL key NUL value NUL file content.

#include "core/settings/inifile.h"
#include "fuzzcheck.h"

#include <QList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<QByteArray> parts = input.split('\0');
    const QString section = QString::fromUtf8(parts.value(0));
    const QString key = QString::fromUtf8(parts.value(1));
    const QString value = QString::fromUtf8(parts.value(2));
    const QByteArray content = parts.size() > 3
        ? input.mid(parts.value(0).size() + parts.value(1).size() + parts.value(2).size() + 3)
        : QByteArray();

    const QString file = FuzzFiles::path(QStringLiteral("settings.dat"));
    FuzzFiles::write(file, content);
    ReadSetting(file, section, key);

    QString error;
    if (!WriteSetting(file, section, key, value, &error)) {
        FUZZ_CHECK(!error.isEmpty());
        FUZZ_CHECK(FuzzFiles::read(file) == content);
        return 0;
    }
    QString expected = value;
    expected.replace(QLatin1Char('\r'), QLatin1Char(' '));
    expected.replace(QLatin1Char('\n'), QLatin1Char(' '));
    expected = expected.trimmed();
    FUZZ_CHECK(ReadSetting(file, section, key) == expected);

    const QByteArray written = FuzzFiles::read(file);
    FUZZ_CHECK(WriteSetting(file, section, key, value, &error));
    FUZZ_CHECK(FuzzFiles::read(file) == written);

    // Another key of the same section leaves this one alone.
    const QString other = key.trimmed() + QStringLiteral("x");
    FUZZ_CHECK(WriteSetting(file, section, other, QStringLiteral("1"), &error));
    FUZZ_CHECK(ReadSetting(file, section, key) == expected);
    FUZZ_CHECK(ReadSetting(file, section, other) == QStringLiteral("1"));
    return 0;
}
