#include "core/requests/cookiesfile.h"

#include "core/files/wholefile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>

namespace {

// Far more than any browser keeps; a larger file is no cookie file.
constexpr qint64 MaxCookiesFileBytes = 16 * 1024 * 1024;
// A file with many bad lines is named by its first few.
constexpr int MaxProblemsNamed = 5;

const QString HttpOnlyPrefix = QStringLiteral("#HttpOnly_");

QString tr(const char* text)
{
    return QCoreApplication::translate("CookiesFile", text);
}

// TRUE or FALSE, as the format writes them; anything else is no answer.
bool readFlag(const QString& field, bool* value)
{
    if (field.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0)
        *value = true;
    else if (field.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0)
        *value = false;
    else
        return false;
    return true;
}

// The cookie on `line`, or the reason it is none.
QString parseLine(QString line, FileCookie* cookie)
{
    if (line.startsWith(HttpOnlyPrefix)) {
        cookie->httpOnly = true;
        line.remove(0, HttpOnlyPrefix.size());
    }
    QStringList fields = line.split(QLatin1Char('\t'));
    if (fields.size() == 1 && line.contains(QLatin1Char(' ')))
        return tr("the fields must be separated by tabs, not blanks");
    // A cookie without a value may lack the tab before it.
    if (fields.size() == 6)
        fields << QString();
    if (fields.size() != 7)
        return tr("%1 fields instead of 7 (domain, subdomains, path, secure, expiry, name, "
                  "value)")
            .arg(fields.size());
    QString domain = fields.at(0).trimmed();
    if (domain.startsWith(QLatin1Char('.')))
        domain.remove(0, 1);
    if (domain.isEmpty() || domain.contains(QLatin1Char(' ')))
        return tr("no domain");
    cookie->domain = domain.toLower();
    if (!readFlag(fields.at(1).trimmed(), &cookie->includeSubdomains))
        return tr("the second field must be TRUE or FALSE, not '%1'").arg(fields.at(1));
    cookie->path = fields.at(2).trimmed();
    if (!cookie->path.startsWith(QLatin1Char('/')))
        return tr("the path must start with /, not '%1'").arg(fields.at(2));
    if (!readFlag(fields.at(3).trimmed(), &cookie->secure))
        return tr("the fourth field must be TRUE or FALSE, not '%1'").arg(fields.at(3));
    bool number = false;
    cookie->expires = fields.at(4).trimmed().toLongLong(&number);
    if (!number || cookie->expires < 0)
        return tr("the expiry must be seconds since 1970 or 0, not '%1'").arg(fields.at(4));
    cookie->name = fields.at(5);
    cookie->value = fields.at(6);
    if (cookie->name.trimmed().isEmpty())
        return tr("no name");
    // What a header cannot carry would be refused by the browser without a word.
    for (const QString& part : { cookie->name, cookie->value }) {
        for (const QChar c : part) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QLatin1Char(';'))
                return tr("a control character or ';' in the name or value");
        }
    }
    if (cookie->name.contains(QLatin1Char('=')))
        return tr("'=' in the name");
    return QString();
}

} // namespace

QList<FileCookie> ParseCookiesText(const QString& text, QStringList* problems)
{
    QList<FileCookie> cookies;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty()
            || (line.startsWith(QLatin1Char('#')) && !line.startsWith(HttpOnlyPrefix)))
            continue;
        FileCookie cookie;
        const QString problem = parseLine(line, &cookie);
        if (problem.isEmpty())
            cookies << cookie;
        else
            *problems << tr("line %1: %2").arg(i + 1).arg(problem);
    }
    return cookies;
}

bool ReadCookiesFile(const QString& path, QList<FileCookie>* cookies, QString* error)
{
    QByteArray bytes;
    if (!ReadWholeFile(path, &bytes, error, ByteOrderMark::Drop, MaxCookiesFileBytes))
        return false;
    QStringList problems;
    QList<FileCookie> read = ParseCookiesText(QString::fromUtf8(bytes), &problems);
    if (!problems.isEmpty()) {
        const qsizetype more = problems.size() - MaxProblemsNamed;
        if (more > 1) {
            problems = problems.mid(0, MaxProblemsNamed);
            problems << tr("%1 more malformed lines").arg(more);
        }
        *error = tr("%1 is not a cookies.txt file: %2")
                     .arg(QDir::toNativeSeparators(path), problems.join(QStringLiteral("; ")));
        return false;
    }
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    read.removeIf([now](const FileCookie& cookie) { return cookie.expiredAt(now); });
    *cookies = read;
    return true;
}
