// The main window's batch against the command line on the same pages and
// settings: the real window (its list, "Convert Now!" and the batch driver) and
// the real pagelith-convert beside this program. Prints seconds per batch and
// the ratio for each number of pages at once; asserts nothing.
//
//   pagelith-bench-batch [--pages N] [--jobs 1,2] [--rounds R] [--format PNG]
//                        [--folder DIR]
//
// The pages are N generated local pages of different heights, or the *.html
// files of --folder. Each round runs the window's batch (a fresh program state:
// a new shell on a new application folder, in this process, whose engine is
// started once before the first round) and then pagelith-convert with --jobs at
// the same value, timed whole from its start to its exit, as a user's command is.
#include "engine/setup/enginesetup.h"
#include "gui/app/appshell.h"
#include "gui/convert/batchdriver.h"
#include "gui/desktop/urlopener.h"
#include "gui/dialogs/messagepresenter.h"
#include "gui/mainwindow/mainmenus.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/urllist/urllistwidget.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdio>

namespace {

class QuietMessages : public MessagePresenter
{
public:
    void information(QWidget*, const QString&) override { }
    void critical(QWidget*, const QString& text) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
};

class NoOpener : public UrlOpener
{
public:
    bool open(const QUrl&) override { return true; }
};

// A page of text and tinted blocks, `height` CSS pixels tall.
QByteArray GeneratedPage(int number, int height)
{
    QByteArray page = "<!DOCTYPE html><html><head><meta charset='utf-8'><title>Page "
        + QByteArray::number(number)
        + "</title><style>body{margin:0;font:16px/1.4 sans-serif}"
          "div{height:200px;padding:12px;box-sizing:border-box}</style></head><body>";
    for (int block = 0; block * 200 < height; ++block) {
        page += "<div style='background:hsl(" + QByteArray::number((number * 37 + block * 23) % 360)
            + ",60%,85%)'><h2>Page " + QByteArray::number(number) + ", block "
            + QByteArray::number(block) + "</h2><p>";
        for (int word = 0; word < 60; ++word)
            page += "lorem ipsum dolor sit amet ";
        page += "</p></div>";
    }
    return page + "</body></html>";
}

QStringList WritePages(const QString& folder, int count)
{
    QStringList pages;
    for (int i = 0; i < count; ++i) {
        const QString path
            = QDir(folder).filePath(QStringLiteral("page%1.html").arg(i, 2, 10, QLatin1Char('0')));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        // 1200 to 4000 px, so loading and writing both take their share.
        file.write(GeneratedPage(i, 1200 + (i * 700) % 2800));
        pages.append(path);
    }
    return pages;
}

bool WriteSettings(
    const QString& file, const QString& outputFolder, const QString& format, int pagesAtOnce)
{
    QFile settings(file);
    if (!settings.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    // Overwriting: every round writes the same names.
    settings.write(QStringLiteral("[set]\r\noutputfolder=%1\r\noutputformat=%2\r\nfileoption=1\r\n"
                                  "existedfile=1\r\ndelay=60\r\npagesatonce=%3\r\n")
                       .arg(outputFolder, format)
                       .arg(pagesAtOnce)
                       .toUtf8());
    return true;
}

// Seconds from "Convert Now!" to the batch's end, or a negative number when it
// did not complete.
double RunWindowBatch(const QStringList& pages, const QString& format, int pagesAtOnce)
{
    QTemporaryDir folder;
    QFile logo(folder.filePath(QStringLiteral("logo.jpg")));
    if (!logo.open(QIODevice::WriteOnly))
        return -1;
    logo.close();
    const QString out = folder.filePath(QStringLiteral("out"));
    if (!WriteSettings(folder.filePath(QStringLiteral("settings.dat")), out, format, pagesAtOnce))
        return -1;

    QuietMessages messages;
    NoOpener opener;
    ShellServices services;
    services.messages = &messages;
    services.opener = &opener;
    services.trayAvailable = [] { return false; };
    services.quit = [] {};
    AppShell shell(folder.path(), services);
    if (!shell.start())
        return -1;
    MainWindow* window = shell.mainWindow();
    for (const QString& page : pages)
        window->urlList()->appendRow(QUrl::fromLocalFile(page).toString(), format);
    auto* driver = window->findChild<BatchDriver*>(QStringLiteral("batchDriver"));

    QEventLoop loop;
    bool completed = false;
    QObject::connect(driver, &BatchDriver::batchEnded, &loop, [&](bool done) {
        completed = done;
        loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    window->menus()->convertNow->trigger();
    loop.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    return completed ? seconds : -1;
}

// Seconds from the command's start to its exit, or a negative number when it failed.
double RunCommand(const QString& convert, const QStringList& pages, const QString& format, int jobs)
{
    QTemporaryDir folder;
    const QString settings = folder.filePath(QStringLiteral("settings.dat"));
    const QString out = folder.filePath(QStringLiteral("out"));
    if (!WriteSettings(settings, out, format, jobs))
        return -1;
    QProcess process;
    process.setProgram(convert);
    process.setArguments(QStringList { QStringLiteral("--settings"), settings, QStringLiteral("-o"),
                             out, QStringLiteral("-f"), format, QStringLiteral("--jobs"),
                             QString::number(jobs), QStringLiteral("--quiet") }
        + pages);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    process.start();
    if (!process.waitForFinished(600000) || process.exitCode() != 0)
        return -1;
    return clock.nsecsElapsed() / 1e9;
}

void PrintRow(int jobs, const QList<double>& window, const QList<double>& command)
{
    auto best = [](QList<double> values) {
        std::sort(values.begin(), values.end());
        return values.isEmpty() ? -1.0 : values.first();
    };
    auto median = [](QList<double> values) {
        std::sort(values.begin(), values.end());
        return values.isEmpty() ? -1.0 : values.at(values.size() / 2);
    };
    const double w = median(window);
    const double c = median(command);
    std::printf("%4d | %8.2f %8.2f | %8.2f %8.2f | %6.3f\n", jobs, best(window), w, best(command),
        c, c > 0 ? w / c : 0.0);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    PrepareEngineEnvironment();
    QApplication application(argc, argv);

    QCommandLineParser parser;
    const QCommandLineOption pagesOption(QStringLiteral("pages"),
        QStringLiteral("Generated pages (15)."), QStringLiteral("N"), QStringLiteral("15"));
    const QCommandLineOption jobsOption(QStringLiteral("jobs"),
        QStringLiteral("Pages at once to compare (1,2)."), QStringLiteral("LIST"),
        QStringLiteral("1,2"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"),
        QStringLiteral("Rounds for each value (3)."), QStringLiteral("R"), QStringLiteral("3"));
    const QCommandLineOption formatOption(QStringLiteral("format"),
        QStringLiteral("Output format (PNG)."), QStringLiteral("FORMAT"), QStringLiteral("PNG"));
    const QCommandLineOption folderOption(QStringLiteral("folder"),
        QStringLiteral("Convert the *.html files of DIR instead."), QStringLiteral("DIR"));
    parser.addOptions({ pagesOption, jobsOption, roundsOption, formatOption, folderOption });
    parser.addHelpOption();
    parser.process(application);

    const QString convert
        = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("pagelith-convert"));
    if (!QFile::exists(convert)) {
        std::fprintf(stderr, "%s is missing: build it first\n", qPrintable(convert));
        return 2;
    }
    QTemporaryDir pageFolder;
    QStringList pages;
    if (parser.isSet(folderOption)) {
        const QDir folder(parser.value(folderOption));
        for (const QString& name : folder.entryList({ QStringLiteral("*.html") }, QDir::Files))
            pages.append(folder.absoluteFilePath(name));
    } else {
        pages = WritePages(pageFolder.path(), parser.value(pagesOption).toInt());
    }
    if (pages.isEmpty()) {
        std::fprintf(stderr, "no pages\n");
        return 2;
    }
    const QString format = parser.value(formatOption);
    const int rounds = std::max(1, parser.value(roundsOption).toInt());

    // The engine's one-time start in this process is not the batch's.
    std::printf("warming up the engine...\n");
    RunWindowBatch(pages.mid(0, 1), format, 1);

    std::printf("%d pages, %s, %d rounds; seconds (best, median)\n", int(pages.size()),
        qPrintable(format), rounds);
    std::printf("jobs |   window batch    | pagelith-convert  | window / convert (median)\n");
    for (const QString& value : parser.value(jobsOption).split(QLatin1Char(','))) {
        const int jobs = std::clamp(value.toInt(), 1, 4);
        QList<double> window;
        QList<double> command;
        for (int round = 0; round < rounds; ++round) {
            const double w = RunWindowBatch(pages, format, jobs);
            const double c = RunCommand(convert, pages, format, jobs);
            if (w < 0 || c < 0) {
                std::fprintf(
                    stderr, "round %d at %d pages at once did not complete\n", round, jobs);
                continue;
            }
            window.append(w);
            command.append(c);
        }
        PrintRow(jobs, window, command);
    }
    return 0;
}
