#include "cli/inputcollector.h"

#include "core/urllist/urllistfile.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>

namespace {

QString resolveAddress(const QString& address, const QDir& base)
{
    // Anything of that name counts, a folder or a FIFO too: it is then refused by
    // its path, with the reason, instead of being tried as a web address.
    const QFileInfo file(base, address);
    if (!address.contains(QLatin1String("://")) && file.exists())
        return file.absoluteFilePath();
    return address;
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
            // Read whole: a pipe ends with its writer, and a chunk of GNU parallel's
            // --pipe is a few lines.
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
            if (!LoadUrlList(input, &listed, &reason, &notText)) {
                *error = tr("cannot read the list %1: %2").arg(input, reason);
                return false;
            }
            for (const int number : std::as_const(notText))
                m_skipped << notTextMessage(input, number);
            const QDir base = QFileInfo(input).absoluteDir();
            for (const QString& address : std::as_const(listed))
                pages->append({ address, resolveAddress(address, base) });
            continue;
        }
        pages->append({ input, resolveAddress(input, QDir::current()) });
    }
    return true;
}
