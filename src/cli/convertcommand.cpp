#include "convertcommand.h"

#include "app/appinfo.h"
#include "conversionservice.h"
#include "urllist/urllistfile.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

const QStringList Formats = { QStringLiteral("BMP"), QStringLiteral("JPG"), QStringLiteral("GIF"),
    QStringLiteral("PNG"), QStringLiteral("TIFF"), QStringLiteral("PDF"), QStringLiteral("TXT") };

// A local file named on the command line or in a list is taken by its absolute
// path, so that it does not depend on the converter's working folder.
QString resolveAddress(const QString& address, const QDir& base)
{
    const QFileInfo file(base, address);
    if (!address.contains(QLatin1String("://")) && file.exists() && file.isFile())
        return file.absoluteFilePath();
    return address;
}

QString seconds(double value)
{
    return QString::number(value, 'f', 2) + QStringLiteral(" s");
}

} // namespace

ConvertCommand::ConvertCommand(const QString& applicationFolder)
    : m_applicationFolder(applicationFolder)
{
}

bool ConvertCommand::collectAddresses(
    const QStringList& inputs, QStringList* addresses, QTextStream& err) const
{
    for (const QString& input : inputs) {
        if (input.endsWith(QLatin1String(".ulf"), Qt::CaseInsensitive)
            && !input.contains(QLatin1String("://"))) {
            QStringList listed;
            QString error;
            if (!LoadUrlList(input, &listed, &error)) {
                err << "pagelith-convert: cannot read the list " << input << ": " << error
                    << Qt::endl;
                return false;
            }
            const QDir base = QFileInfo(input).absoluteDir();
            for (const QString& address : std::as_const(listed))
                addresses->append(resolveAddress(address, base));
            continue;
        }
        addresses->append(resolveAddress(input, QDir::current()));
    }
    return true;
}

int ConvertCommand::run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Converts web pages into image, PDF or text files, one page at a time."));
    const QCommandLineOption settingsOption(QStringLiteral("settings"),
        QStringLiteral("Read the settings from FILE instead of settings.dat "
                       "in the program's folder."),
        QStringLiteral("FILE"));
    const QCommandLineOption folderOption({ QStringLiteral("o"), QStringLiteral("output-folder") },
        QStringLiteral("Write the files into FOLDER (made when missing)."),
        QStringLiteral("FOLDER"));
    const QCommandLineOption formatOption({ QStringLiteral("f"), QStringLiteral("format") },
        QStringLiteral("Output format: %1.").arg(Formats.join(QStringLiteral(", "))),
        QStringLiteral("FORMAT"));
    const QCommandLineOption helpOption(
        { QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Show this help."));
    const QCommandLineOption versionOption(
        { QStringLiteral("v"), QStringLiteral("version") }, QStringLiteral("Show the version."));
    parser.addOptions({ settingsOption, folderOption, formatOption, helpOption, versionOption });
    parser.addPositionalArgument(QStringLiteral("inputs"),
        QStringLiteral("Web addresses, local HTML files and .ulf list files."),
        QStringLiteral("INPUT..."));

    if (!parser.parse(QStringList { QStringLiteral("pagelith-convert") } + arguments)) {
        err << "pagelith-convert: " << parser.errorText() << Qt::endl;
        err << "Try 'pagelith-convert --help'." << Qt::endl;
        return UsageError;
    }
    if (parser.isSet(helpOption)) {
        out << parser.helpText().replace(
            QLatin1String(QCoreApplication::applicationFilePath().toUtf8()),
            QStringLiteral("pagelith-convert"));
        out.flush();
        return AllWritten;
    }
    if (parser.isSet(versionOption)) {
        out << "pagelith-convert " << AppInfo::version() << Qt::endl;
        return AllWritten;
    }

    QString format;
    if (parser.isSet(formatOption)) {
        format = parser.value(formatOption).trimmed().toUpper();
        if (format == QLatin1String("JPEG"))
            format = QStringLiteral("JPG");
        if (format == QLatin1String("TIF"))
            format = QStringLiteral("TIFF");
        if (!Formats.contains(format)) {
            err << "pagelith-convert: unknown format '" << parser.value(formatOption)
                << "'; use one of " << Formats.join(QStringLiteral(", ")) << Qt::endl;
            return UsageError;
        }
    }
    QString settingsFile
        = AppInfo::pathIn(m_applicationFolder, QString::fromLatin1(AppInfo::SettingsFileName));
    if (parser.isSet(settingsOption)) {
        settingsFile = QFileInfo(parser.value(settingsOption)).absoluteFilePath();
        if (!QFileInfo(settingsFile).isFile()) {
            err << "pagelith-convert: no settings file " << parser.value(settingsOption)
                << Qt::endl;
            return UsageError;
        }
    }
    if (parser.positionalArguments().isEmpty()) {
        err << "pagelith-convert: no input given" << Qt::endl;
        err << "Try 'pagelith-convert --help'." << Qt::endl;
        return UsageError;
    }
    QStringList addresses;
    if (!collectAddresses(parser.positionalArguments(), &addresses, err))
        return UsageError;
    // Nothing queued would leave nothing to end the event loop below.
    if (addresses.isEmpty()) {
        err << "pagelith-convert: no addresses to convert" << Qt::endl;
        return UsageError;
    }

    // The desktop program keeps its temporary files in the application folder;
    // a run beside it must neither read nor delete them.
    QTemporaryDir tempFolder;
    if (!tempFolder.isValid()) {
        err << "pagelith-convert: cannot create a temporary folder: " << tempFolder.errorString()
            << Qt::endl;
        return SomeFailed;
    }
    ConversionRequest request;
    request.applicationFolder = m_applicationFolder;
    request.tempFolder = tempFolder.path();
    request.settingsFile = settingsFile;
    request.formatOverride = format;
    if (parser.isSet(folderOption))
        request.outputFolderOverride = QFileInfo(parser.value(folderOption)).absoluteFilePath();

    ConversionService service;
    QEventLoop loop;
    QElapsedTimer total;
    total.start();
    const int count = int(addresses.size());
    int ended = 0;
    int failed = 0;
    QHash<int, QString> addressOf;
    QObject::connect(
        &service, &ConversionService::finished, &loop, [&](int id, const ConversionResult& result) {
            ++ended;
            const QString address = addressOf.value(id);
            out << ended << '/' << count << ' ';
            if (result.ok) {
                out << "OK " << seconds(result.seconds) << ' ' << address << " -> "
                    << result.filesWritten.join(QStringLiteral(", "));
                if (!result.reason.isEmpty())
                    out << " (" << result.reason << ')';
            } else {
                ++failed;
                out << "FAILED " << seconds(result.seconds) << ' ' << address << ": "
                    << result.reason;
                if (!result.encoderMessage.isEmpty())
                    err << result.encoderMessage << Qt::endl;
            }
            out << Qt::endl;
            if (ended == count)
                loop.quit();
        });
    for (const QString& address : std::as_const(addresses)) {
        request.address = address;
        addressOf.insert(service.enqueue(request), address);
    }
    loop.exec();
    out << count << (count == 1 ? " page: " : " pages: ") << count - failed << " written, "
        << failed << " failed, " << seconds(total.elapsed() / 1000.0) << Qt::endl;
    return failed == 0 ? AllWritten : SomeFailed;
}
