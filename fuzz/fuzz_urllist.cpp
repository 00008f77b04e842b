// Saved batch lists: any file content loads; every address is one line of
// text, and saving the rows and loading them again gives the same addresses.
//
// Input: the .ulf file's bytes.

#include "core/urllist/urllistfile.h"
#include "fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString file = FuzzFiles::path(QStringLiteral("list.ulf"));
    FuzzFiles::write(file, content);

    QStringList addresses;
    QString error;
    FUZZ_CHECK(LoadUrlList(file, &addresses, &error));
    QList<UrlListRow> rows;
    for (const QString& address : std::as_const(addresses)) {
        FUZZ_CHECK(!address.isEmpty());
        FUZZ_CHECK(!address.contains(QLatin1Char('\t')) && !address.contains(QLatin1Char('\r'))
            && !address.contains(QLatin1Char('\n')));
        rows.append({ address, QStringLiteral("JPG") });
    }

    const QString copy = FuzzFiles::path(QStringLiteral("copy.ulf"));
    FUZZ_CHECK(SaveUrlList(copy, rows, &error));
    QStringList again;
    FUZZ_CHECK(LoadUrlList(copy, &again, &error));
    FUZZ_CHECK(again == addresses);
    return 0;
}
