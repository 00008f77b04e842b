// Output names: any address and any custom name give file names of at most
// 255 bytes, in the output folder, of valid UTF-16, with their numbering and
// extension intact.
//
// Input: the text (UTF-8), used as the address and as the custom name.

#include "core/naming/outputnaming.h"
#include "fuzzcheck.h"

#include <QDateTime>

namespace {

const QString Folder = QStringLiteral("/out");

void CheckName(const QString& path, const QString& ending)
{
    FUZZ_CHECK(path.startsWith(Folder + QLatin1Char('/')));
    const QString name = path.mid(Folder.size() + 1);
    FUZZ_CHECK(!name.contains(QLatin1Char('/')) && !name.contains(QChar(0)));
    FUZZ_CHECK(QFile::encodeName(name).size() <= 255);
    FUZZ_CHECK(QStringView(name).isValidUtf16());
    FUZZ_CHECK(name.endsWith(ending));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString name = UrlToFileName(text);
    for (const QChar c : { '.', ':', '/', '\\', '*', '?', '>', '<', '|' })
        FUZZ_CHECK(!name.contains(c));

    const QDateTime now(QDate(2026, 12, 6), QTime(16, 5, 20));
    // The number of names taken ahead of this page varies with the input.
    const int taken = int(size % 4);
    for (const bool custom : { false, true }) {
        const QString base = BitmapBasePath(Folder, custom, text, custom, now, text);
        CheckName(base, custom ? QStringLiteral("120626160520.BMP") : QStringLiteral(".BMP"));
        int asked = 0;
        const FileExistsFn exists = [&asked, taken](const QString&) { return asked++ < taken; };
        const QString bitmap = NumberedBitmapPath(base, true, exists);
        if (taken > 0)
            CheckName(bitmap, QStringLiteral("_%1.bmp").arg(taken - 1));
        asked = 0;
        const QString final = FinalOutputPath(bitmap, QStringLiteral("jpg"), true, exists);
        if (taken > 0)
            CheckName(final, QStringLiteral("_%1.jpg").arg(taken - 1));
        else
            CheckName(final, QStringLiteral(".jpg"));
        CheckName(ThumbnailPathFor(bitmap), QStringLiteral("_Thumbnail.jpg"));
    }
    return 0;
}
