// Audits whole-page captures tile by tile and prints what it found.
//
//   pagelith-bench-tiles [--runs N] [--width W] [--height H] [--busy]
//       Captures a generated ruler page N times (default 20 x 1200 x 40000) with
//       the capture engine, reads every band back from the pixels and prints, per
//       run and in all, the seconds taken and the bad bands and tiles. --busy keeps
//       every core busy with spinning threads meanwhile. Exits 1 on any bad tile.
//   pagelith-bench-tiles --write-ruler FILE [--width W] [--height H]
//       Writes the ruler page, for capturing it with another front end.
//   pagelith-bench-tiles --audit-ruler [--width W] [--height H] IMAGE...
//       Audits captures of that ruler page made elsewhere (pagelith-convert).
//   pagelith-bench-tiles --repeats [--tile T] IMAGE...
//       For any page: counts tiles of T rows (by default the capture's own tile
//       height for the image's width) that are a pixel copy of the tile above them,
//       the trace a stale frame leaves.
#include "cpuhog.h"
#include "engine/capture/capturegeometry.h"
#include "engine/qtwebengine/pagecapturer.h"
#include "engine/setup/enginesetup.h"
#include "rulerpage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUrl>
#include <cstring>

namespace {

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

int tileHeightFor(int width)
{
    return TileHeightForWidth(width + CaptureStripPixels);
}

void printAudit(const QString& what, const RulerPage::Audit& audit)
{
    QStringList tiles;
    for (int t : audit.badTiles)
        tiles << QString::number(t + 1);
    out() << what << ": " << audit.bands << " bands, " << audit.badBands << " bad, "
          << audit.badTiles.size() << " bad tiles"
          << (tiles.isEmpty() ? QString() : QStringLiteral(" (") + tiles.join(',') + ')')
          << (audit.firstProblem.isEmpty() ? QString() : QStringLiteral("; ") + audit.firstProblem)
          << Qt::endl;
}

int captureRuns(int runs, int width, int height, bool busy)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ruler.html"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(RulerPage::html(width, height)) < 0)
        return 2;
    file.close();

    PageCapturer capturer;
    CpuHog hog(busy);
    int badTiles = 0, failures = 0;
    double seconds = 0;
    for (int run = 1; run <= runs; ++run) {
        QImage image;
        QString reason;
        QEventLoop loop;
        QObject::connect(&capturer, &PageCapturer::captured, &loop, [&](const QImage& i) {
            image = i;
            loop.quit();
        });
        QObject::connect(&capturer, &PageCapturer::failed, &loop, [&](const QString& r) {
            reason = r;
            loop.quit();
        });
        QElapsedTimer clock;
        clock.start();
        capturer.captureUrl(QUrl::fromLocalFile(path), 120);
        loop.exec();
        const double s = clock.elapsed() / 1000.0;
        seconds += s;
        const QString what = QStringLiteral("run %1/%2 %3 s").arg(run).arg(runs).arg(s, 0, 'f', 2);
        if (image.isNull()) {
            ++failures;
            out() << what << ": FAILED " << reason << Qt::endl;
            continue;
        }
        const RulerPage::Audit audit = RulerPage::audit(image, width, height, tileHeightFor(width));
        badTiles += audit.badTiles.size();
        printAudit(what, audit);
    }
    out() << "ruler " << width << " x " << height << (busy ? ", cores busy" : "") << ": " << runs
          << " captures, " << failures << " failed, " << badTiles << " bad tiles, "
          << QString::number(seconds / std::max(1, runs), 'f', 2) << " s a capture" << Qt::endl;
    return badTiles + failures == 0 ? 0 : 1;
}

QImage readImage(const QString& path)
{
    QImageReader reader(path);
    reader.setAllocationLimit(0);
    return reader.read();
}

int auditFiles(const QStringList& files, int width, int height)
{
    int bad = 0;
    for (const QString& f : files) {
        const QImage image = readImage(f);
        if (image.isNull()) {
            out() << f << ": cannot read" << Qt::endl;
            ++bad;
            continue;
        }
        const RulerPage::Audit audit = RulerPage::audit(image, width, height, tileHeightFor(width));
        bad += audit.badTiles.size();
        printAudit(f, audit);
    }
    out() << files.size() << " images, " << bad << " bad tiles" << Qt::endl;
    return bad == 0 ? 0 : 1;
}

int countRepeats(const QStringList& files, int tileOption)
{
    int repeats = 0;
    for (const QString& f : files) {
        const QImage image = readImage(f).convertToFormat(QImage::Format_RGB32);
        const int tile = tileOption > 0 ? tileOption : TileHeightForWidth(image.width());
        QStringList found;
        for (int top = tile; top + tile <= image.height(); top += tile) {
            bool same = true;
            for (int y = 0; y < tile && same; ++y)
                same = std::memcmp(image.constScanLine(top + y),
                           image.constScanLine(top - tile + y), size_t(image.bytesPerLine()))
                    == 0;
            if (same)
                found << QStringLiteral("%1-%2").arg(top).arg(top + tile);
        }
        repeats += found.size();
        out() << f << ": " << image.width() << " x " << image.height() << " in tiles of " << tile
              << ", " << found.size() << " repeated tiles"
              << (found.isEmpty() ? QString() : QStringLiteral(" at rows ") + found.join(' '))
              << Qt::endl;
    }
    out() << files.size() << " images, " << repeats << " repeated tiles" << Qt::endl;
    return repeats == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    PrepareEngineEnvironment();
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int runs = 20, width = 1200, height = 40000, tile = 0;
    bool busy = false;
    QString mode, target;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        auto next = [&] { return i + 1 < args.size() ? args[++i] : QString(); };
        if (a == QLatin1String("--runs"))
            runs = next().toInt();
        else if (a == QLatin1String("--width"))
            width = next().toInt();
        else if (a == QLatin1String("--height"))
            height = next().toInt();
        else if (a == QLatin1String("--tile"))
            tile = next().toInt();
        else if (a == QLatin1String("--busy"))
            busy = true;
        else if (a == QLatin1String("--write-ruler"))
            mode = a, target = next();
        else if (a == QLatin1String("--audit-ruler") || a == QLatin1String("--repeats"))
            mode = a;
        else
            files << a;
    }
    if (runs < 1 || width < 200 || height < 100 || tile < 0) {
        QTextStream(stderr) << "bad numbers" << Qt::endl;
        return 2;
    }
    if (mode == QLatin1String("--write-ruler")) {
        QFile file(target);
        return file.open(QIODevice::WriteOnly) && file.write(RulerPage::html(width, height)) > 0
            ? 0
            : 2;
    }
    if (mode == QLatin1String("--audit-ruler"))
        return auditFiles(files, width, height);
    if (mode == QLatin1String("--repeats"))
        return countRepeats(files, tile);
    return captureRuns(runs, width, height, busy);
}
