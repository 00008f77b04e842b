#include "cli/optionreaders.h"

#include "cli/convertoptions.h"
#include "cli/optionchecks.h"
#include "core/files/wholefile.h"
#include "core/requests/cookiesfile.h"
#include "core/requests/requesttexts.h"
#include "core/settings/settingskeys.h"
#include "engine/capture/captureoptionsreader.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace {

// A proxy address is one line.
constexpr qint64 MaxProxyFileBytes = 64 * 1024;

} // namespace

bool ReadRequestOptions(const QCommandLineParser& parser, ConvertOptions* options, QString* error)
{
    const auto store = [&](Setting setting, const QString& value) {
        return options->overrides.add(KeyOf(setting).name + QLatin1Char('=') + value, error);
    };
    if (parser.isSet(QStringLiteral("auth")) && parser.isSet(QStringLiteral("auth-file"))) {
        *error = ConvertOptionParser::tr("--auth and --auth-file name the same thing: give one");
        return false;
    }
    if (parser.isSet(QStringLiteral("header"))) {
        for (const QString& line : parser.values(QStringLiteral("header"))) {
            std::pair<QString, QString> header;
            if (!ParseHeaderLine(line, &header, error)) {
                *error = QStringLiteral("--header: ") + *error;
                return false;
            }
        }
        if (!store(Setting::Header, JoinHeaderList(parser.values(QStringLiteral("header")))))
            return false;
    }
    // Files are named by their absolute paths: the conversion may run elsewhere.
    const auto file = [&](const QString& option, Setting setting, auto check) {
        if (!parser.isSet(option))
            return true;
        const QString path = QFileInfo(parser.value(option)).absoluteFilePath();
        if (parser.value(option).isEmpty() || !check(path)) {
            if (parser.value(option).isEmpty())
                *error = ConvertOptionParser::tr("no file given");
            *error = QStringLiteral("--%1: %2").arg(option, *error);
            return false;
        }
        return store(setting, path);
    };
    QString user;
    QString password;
    if (!file(QStringLiteral("cookies"), Setting::Cookies,
            [&](const QString& path) {
                QList<FileCookie> cookies;
                return ReadCookiesFile(path, &cookies, error);
            })
        || !file(QStringLiteral("auth-file"), Setting::AuthFile, [&](const QString& path) {
               return ReadCredentialsFile(path, &user, &password, error);
           }))
        return false;
    const auto injected = [&](const QString& path) {
        QByteArray bytes;
        return ReadWholeFile(path, &bytes, error, ByteOrderMark::Drop, MaxInjectedFileBytes);
    };
    if (!file(QStringLiteral("javascript"), Setting::JavaScript, injected)
        || !file(QStringLiteral("style"), Setting::Style, injected))
        return false;
    if (parser.isSet(QStringLiteral("auth"))) {
        if (!ParseCredentials(parser.value(QStringLiteral("auth")), &user, &password, error)) {
            *error = QStringLiteral("--auth: ") + *error;
            return false;
        }
        if (!store(Setting::Auth, parser.value(QStringLiteral("auth"))))
            return false;
    }
    if (parser.isSet(QStringLiteral("proxy")) && parser.isSet(QStringLiteral("proxy-file"))) {
        *error = ConvertOptionParser::tr("--proxy and --proxy-file name the same thing: give one");
        return false;
    }
    QString proxy = parser.value(QStringLiteral("proxy"));
    QString proxyName = QStringLiteral("--proxy");
    if (parser.isSet(QStringLiteral("proxy-file"))) {
        proxyName = QStringLiteral("--proxy-file");
        QByteArray bytes;
        if (!ReadWholeFile(parser.value(QStringLiteral("proxy-file")), &bytes, error,
                ByteOrderMark::Drop, MaxProxyFileBytes)) {
            *error = proxyName + QStringLiteral(": ") + *error;
            return false;
        }
        proxy = QString::fromUtf8(bytes).section(QLatin1Char('\n'), 0, 0).trimmed();
    }
    if (parser.isSet(QStringLiteral("proxy")) || parser.isSet(QStringLiteral("proxy-file"))) {
        QString server;
        if (!ParseProxyUrl(proxy, &server, &user, &password, error)) {
            *error = proxyName + QStringLiteral(": ") + *error;
            return false;
        }
        if (const QString noPort = ProxyWithoutPortProblem(proxy); !noPort.isEmpty()) {
            *error = proxyName + QStringLiteral(": ") + noPort;
            return false;
        }
        if (!store(Setting::Proxy, proxy.trimmed()))
            return false;
    }
    if (parser.isSet(QStringLiteral("markdown-all"))
        && !store(Setting::MarkdownAll, QStringLiteral("1")))
        return false;
    if (parser.isSet(QStringLiteral("header-everywhere"))
        && !store(Setting::HeaderEverywhere, QStringLiteral("1")))
        return false;
    return !parser.isSet(QStringLiteral("ignore-https-errors"))
        || store(Setting::IgnoreHttpsErrors, QStringLiteral("1"));
}

bool ReadOutputFile(const QCommandLineParser& parser, ConvertOptions* options, QString* error)
{
    const QStringList inputs = parser.positionalArguments();
    QString given = parser.value(QStringLiteral("output-file"));
    if (parser.isSet(QStringLiteral("output-file"))
        && parser.isSet(QStringLiteral("output-folder"))) {
        *error = ConvertOptionParser::tr("-o and -O name the same thing: give one");
        return false;
    }
    const bool oneInput = inputs.size() == 1 && inputs.constFirst() != QLatin1String("-")
        && !inputs.constFirst().endsWith(QLatin1String(".ulf"), Qt::CaseInsensitive);
    if (!parser.isSet(QStringLiteral("output-file"))) {
        // "-o shot.png" means the file, never a folder of that name made by surprise.
        const QString folder = parser.value(QStringLiteral("output-folder"));
        if (!parser.isSet(QStringLiteral("output-folder")) || !oneInput || QFileInfo(folder).isDir()
            || FormatOfFileName(folder, ConvertOptionParser::formats()).isEmpty())
            return true;
        given = folder;
        options->outputFolder.clear();
    }
    if (given.isEmpty()) {
        *error = ConvertOptionParser::tr("-O takes a file name, or - for standard output");
        return false;
    }
    if (inputs.size() > 1 || !oneInput) {
        *error = ConvertOptionParser::tr(
            "-O writes one page's file; give one web address or HTML file (or -o FOLDER)");
        return false;
    }
    if (given == QLatin1String("-")) {
        if (parser.isSet(QStringLiteral("json"))) {
            *error = ConvertOptionParser::tr(
                "-O - and --json both write to standard output: give one");
            return false;
        }
        options->outputFile = given;
        return true;
    }
    if (QFileInfo(given).isDir()) {
        *error
            = ConvertOptionParser::tr("-O takes a file name; %1 is a folder (use -o)").arg(given);
        return false;
    }
    const QString format = FormatOfFileName(given, ConvertOptionParser::formats());
    if (format.isEmpty() && !parser.isSet(QStringLiteral("format"))) {
        *error = ConvertOptionParser::tr("-O %1: the extension names no format; add -f FORMAT (%2)")
                     .arg(given, ConvertOptionParser::formats().join(QStringLiteral(", ")));
        return false;
    }
    if (!parser.isSet(QStringLiteral("format")))
        options->format = format;
    options->outputFile = QFileInfo(given).absoluteFilePath();
    return true;
}
