#include "cli/inputcollector.h"

#include "cli/standardinputreader.h"
#include "core/urllist/urllistfile.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QRegularExpression>

namespace {

QString resolveAddress(const QString& address, const QDir& base)
{
    // Anything of that name counts, a folder or a FIFO too: it is then refused by
    // its path, with the reason, instead of being tried as a web address.
    const QFileInfo file(base, address);
    if (!address.contains(QLatin1String("://")) && file.exists())
        return file.absoluteFilePath();
    const QString host = InputCollector::hostAddress(address);
    return host.isEmpty() ? address : host;
}

// "about:blank", "data:text/html,...", "file:/x": an address the engine knows
// how to read. One letter before the colon is no scheme.
bool hasScheme(const QString& address)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(address).hasMatch();
}

bool isListFile(const QString& input)
{
    return input.endsWith(QLatin1String(".ulf"), Qt::CaseInsensitive)
        && !input.contains(QLatin1String("://"));
}

QString notTextMessage(const QString& list, int line)
{
    return InputCollector::tr(
        "%1 line %2: not text (NUL bytes or bytes the locale cannot decode), skipped")
        .arg(list)
        .arg(line);
}

} // namespace

QString InputCollector::hostAddress(const QString& input)
{
    // A host of two or more labels ending in letters, an IPv4 or IPv6 address, or
    // localhost; a port; then a path, a query or a fragment.
    static const QRegularExpression hostName(QStringLiteral(
        "^(?<host>localhost|(?:[A-Za-z0-9](?:[A-Za-z0-9-]*[A-Za-z0-9])?\\.)+(?<tld>[A-Za-z]{2,63})"
        "|\\d{1,3}(?:\\.\\d{1,3}){3}|\\[[0-9A-Fa-f:.]+\\])(?::\\d{1,5})?(?:[/?#].*)?$"));
    // Names that end like the documents people open: a missing file, not a host.
    static const QStringList fileEndings { "htm", "html", "xhtml", "xht", "shtml", "mht", "mhtml",
        "svg", "xml", "ulf", "txt", "pdf", "png", "jpg", "jpeg", "gif", "bmp", "php", "asp", "aspx",
        "jsp", "css", "js", "json", "md" };
    const QRegularExpressionMatch match = hostName.match(input);
    if (!match.hasMatch() || fileEndings.contains(match.captured(u"tld").toLower()))
        return QString();
    const QString host = match.captured(u"host").toLower();
    const bool loopback = host == QLatin1String("localhost")
        || host.startsWith(QLatin1String("127.")) || host == QLatin1String("[::1]");
    return (loopback ? QStringLiteral("http://") : QStringLiteral("https://")) + input;
}

InputCollector::InputCollector(QIODevice* standardInput)
    : m_standardInput(standardInput)
{
}

bool InputCollector::collect(const QStringList& inputs, QList<PageInput>* pages, QString* error)
{
    for (const QString& input : inputs) {
        if (input == QLatin1String("-")) {
            if (m_standardInputRead || !m_standardInput)
                continue;
            m_standardInputRead = true;
            // Read whole (bounded by the reader that filled the device): a pipe
            // ends with its writer, and a chunk of GNU parallel's --pipe is a few lines.
            const QByteArray bytes = m_standardInput->readAll();
            QList<int> notText;
            const QStringList lines = UrlListAddresses(bytes, &notText);
            for (const int number : std::as_const(notText))
                m_skipped << notTextMessage(tr("standard input"), number);
            for (const QString& line : lines) {
                const QString address = line.trimmed();
                pages->append({ address, resolveAddress(address, QDir::current()) });
            }
            continue;
        }
        if (isListFile(input)) {
            QStringList listed;
            QString reason;
            QList<int> notText;
            // Refused before it is read, as standard input is.
            if (QFileInfo(input).size() > StandardInputReader::MaxListBytes) {
                *error = tr("cannot read the list %1: %2")
                             .arg(input, StandardInputReader::tooLarge(input));
                return false;
            }
            if (!LoadUrlList(input, &listed, &reason, &notText)) {
                *error = tr("cannot read the list %1: %2").arg(input, reason);
                return false;
            }
            if (!StandardInputReader::withinLimits(listed.size(), 0, input, error))
                return false;
            for (const int number : std::as_const(notText))
                m_skipped << notTextMessage(input, number);
            const QDir base = QFileInfo(input).absoluteDir();
            for (const QString& address : std::as_const(listed))
                pages->append({ address, resolveAddress(address, base) });
            continue;
        }
        // Found now, not after the browser has started for it.
        if (!QFileInfo::exists(input) && !QFileInfo(input).isSymLink() && !hasScheme(input)
            && hostAddress(input).isEmpty()) {
            *error = tr("%1: No such file").arg(input);
            return false;
        }
        pages->append({ input, resolveAddress(input, QDir::current()) });
    }
    return true;
}
