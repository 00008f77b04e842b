// Encodes a 1280 x 10000 page-like picture in every output format, stamps and
// thumbnails it, and prints throughput and peak memory. Each format runs in its own child process
// so the peak resident size of one does not hide the next.
#include "core/imaging/imageencoder.h"
#include "core/imaging/thumbnailwriter.h"
#include "core/imaging/watermark.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

namespace {

constexpr int PageWidth = 1280;
// 10,000 rows unless PAGELITH_BENCH_HEIGHT says otherwise (40000 for a tall page);
// PAGELITH_BENCH_FORMATS=png,thumb runs only those steps.
const int PageHeight = [] {
    const int height = qEnvironmentVariableIntValue("PAGELITH_BENCH_HEIGHT");
    return height > 0 ? height : 10000;
}();
constexpr int Runs = 3;
// The five encoders, then the two steps that load the page back from its
// bitmap: both watermarks stamped in place, and the 25 percent thumbnail.
const char* const Formats[] = { "bmp", "jpg", "png", "gif", "tiff", "stamp", "thumb" };

// Kilobytes of a "VmRSS:" or "VmHWM:" line of /proc/self/status.
qint64 statusKb(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// CPU time of the whole process: on a busy machine it varies less than the
// wall clock.
double cpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Resets VmHWM to the current resident size.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// White page with a header bar, paragraphs of anti-aliased text in a few
// colours, link-blue lines, and photo-like gradient blocks.
QImage pageLike()
{
    QImage page(PageWidth, PageHeight, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(0, 0, PageWidth, 90, QColor(34, 60, 110));
    QFont font;
    font.setPixelSize(15);
    painter.setFont(font);
    const QString line = QStringLiteral(
        "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor "
        "incididunt ut labore et dolore magna aliqua. Ut enim ad minim veniam, quis");
    int y = 120;
    int block = 0;
    while (y < PageHeight - 40) {
        if (block % 5 == 4) {
            const QRect photo(160, y, 960, 360);
            QLinearGradient gradient(photo.topLeft(), photo.bottomRight());
            gradient.setColorAt(0, QColor(200, 120, 40 + block % 100));
            gradient.setColorAt(0.5, QColor(40, 160, 90));
            gradient.setColorAt(1, QColor(20, 40, 180));
            painter.fillRect(photo, gradient);
            painter.setPen(QColor(255, 255, 255, 120));
            for (int i = 0; i < 60; ++i)
                painter.drawEllipse(photo.left() + (i * 97) % 900, photo.top() + (i * 53) % 300,
                    30 + i % 40, 20 + i % 30);
            y += 390;
        } else {
            for (int row = 0; row < 12 && y < PageHeight - 40; ++row, y += 22) {
                painter.setPen(row == 0 ? QColor(0, 0, 238) : QColor(34, 34, 34));
                painter.drawText(40, y, line);
            }
            y += 30;
        }
        ++block;
    }
    return page;
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(content) == content.size();
}

// The steps that work from the page's bitmap file rather than a picture in
// memory; the page is written there first and released.
bool runFileStep(const QString& step, const QString& folder, QString* error)
{
    const QString bitmap = folder + QStringLiteral("/tempimage.bmp");
    const QString settings = folder + QStringLiteral("/settings.dat");
    if (step == QLatin1String("stamp"))
        return ApplyTextWatermark(settings, bitmap, bitmap, error)
            && ApplyPictureWatermark(settings, bitmap, bitmap, error);
    return WriteThumbnail(
        settings, bitmap, folder + QStringLiteral("/tempimage_Thumbnail.jpg"), error);
}

bool prepareFileStep(const QImage& page, const QString& folder)
{
    QImage logo(120, 60, QImage::Format_RGB32);
    logo.fill(Qt::black);
    QPainter(&logo).fillRect(10, 10, 100, 40, QColor(200, 30, 30));
    const QString logoPath = folder + QStringLiteral("/logo.png");
    const QByteArray settings = "[set]\r\nThumbnail=1\r\nimagesize=25\r\n[watermark]\r\n"
                                "textwatermark=1\r\nwatertext=Pagelith benchmark\r\nTwz=3\r\n"
                                "Tx=20\r\nTy=20\r\nTsize=28\r\nTRotate=30\r\nTtransparency=40\r\n"
                                "imagewatermark=1\r\nwaterimage="
        + logoPath.toUtf8() + "\r\nIwz=1\r\nIx=20\r\nIy=20\r\nIDeviation=8\r\nIOpacity=70\r\n";
    return SaveImageFile(logo, logoPath, "png", 0, ImageEncoding::RgbDepth,
               ImageEncoding::TiffUncompressed, nullptr)
        && SaveImageFile(page, folder + QStringLiteral("/tempimage.bmp"), "bmp", 0,
            ImageEncoding::RgbDepth, ImageEncoding::TiffUncompressed, nullptr)
        && writeFile(folder + QStringLiteral("/settings.dat"), settings);
}

int runChild(const QString& format, const QString& folder)
{
    const qint64 baseKb = statusKb("VmRSS:");
    QImage page = pageLike();
    const double imageMb = double(page.sizeInBytes()) / (1024 * 1024);
    const QString path = folder + QStringLiteral("/page.") + format;
    const bool fromFile = format == QLatin1String("stamp") || format == QLatin1String("thumb");
    if (fromFile) {
        if (!prepareFileStep(page, folder))
            return 1;
        page = QImage();
    }

    resetPeak();
    double bestMs = 1e12;
    double bestCpuMs = 1e12;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = cpuMs();
        QString error;
        const bool ok = fromFile ? runFileStep(format, folder, &error)
                                 : SaveImageFile(page, path, format, 80, ImageEncoding::RgbDepth,
                                     ImageEncoding::TiffUncompressed, &error);
        if (!ok) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        bestMs = qMin(bestMs, timer.nsecsElapsed() / 1e6);
        bestCpuMs = qMin(bestCpuMs, cpuMs() - cpuStart);
    }
    const double peakMb = statusKb("VmHWM:") / 1024.0;
    const double baseMb = baseKb / 1024.0;
    const double megapixels = double(PageWidth) * PageHeight / 1e6;
    const QString written = fromFile
        ? (format == QLatin1String("stamp") ? folder + QStringLiteral("/tempimage.bmp")
                                            : folder + QStringLiteral("/tempimage_Thumbnail.jpg"))
        : path;
    std::printf("%-5s %9.0f %9.0f %9.1f %10.2f %9.1f %9.1f %7.2f\n", qPrintable(format), bestMs,
        bestCpuMs, megapixels / (bestMs / 1000.0), QFileInfo(written).size() / (1024.0 * 1024.0),
        peakMb, peakMb - baseMb - imageMb, (peakMb - baseMb) / imageMb);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Text drawing needs a platform; a benchmark must run without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--format"))
        return runChild(args[2], args[3]);

    QTemporaryDir folder;
    std::printf("Encoding a %d x %d page (RGB32, %.1f MB), best of %d runs\n", PageWidth,
        PageHeight, PageWidth * double(PageHeight) * 4 / (1024 * 1024), Runs);
    std::printf("%-5s %9s %9s %9s %10s %9s %9s %7s\n", "fmt", "ms", "cpu ms", "MP/s", "file MB",
        "peak MB", "extra MB", "copies");
    std::fflush(stdout);
    int failures = 0;
    const QStringList only = qEnvironmentVariable("PAGELITH_BENCH_FORMATS")
                                 .split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const char* format : Formats) {
        if (!only.isEmpty() && !only.contains(QLatin1String(format)))
            continue;
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(app.applicationFilePath(),
            { QStringLiteral("--format"), QString::fromLatin1(format), folder.path() });
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            ++failures;
    }
    std::printf("peak MB: VmHWM of the process while working; extra MB: above the process "
                "before the page existed and one page; copies: (peak - base) / page size\n"
                "stamp: text and picture watermark on the page's BMP, in place (load, draw, "
                "save); thumb: BMP to a 25%% JPEG thumbnail\n");
    return failures ? 1 : 0;
}
