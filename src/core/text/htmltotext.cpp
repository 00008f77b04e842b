#include "core/text/htmltotext.h"

#include <QHash>

namespace {

const QString LineBreak = QStringLiteral("\r\n");

struct Entity
{
    const char* name;
    char16_t character;
};

// The names recognised, in the order they are tested; anything else is left
// as written. "brvbar" deliberately gives a plain bar, "nbsp" a plain space,
// and the list spells plus-minus "plusm" and has no "shy".
constexpr Entity Entities[] = {
    { "amp", u'&' },
    { "quot", u'"' },
    { "lt", u'<' },
    { "gt", u'>' },
    { "nbsp", u' ' },
    { "Auml", 0x00C4 },
    { "auml", 0x00E4 },
    { "iexcl", 0x00A1 },
    { "cent", 0x00A2 },
    { "pound", 0x00A3 },
    { "curren", 0x00A4 },
    { "yen", 0x00A5 },
    { "brvbar", u'|' },
    { "sect", 0x00A7 },
    { "uml", 0x00A8 },
    { "copy", 0x00A9 },
    { "ordf", 0x00AA },
    { "laquo", 0x00AB },
    { "not", 0x00AC },
    { "reg", 0x00AE },
    { "macr", 0x00AF },
    { "deg", 0x00B0 },
    { "plusm", 0x00B1 },
    { "sup2", 0x00B2 },
    { "sup3", 0x00B3 },
    { "acute", 0x00B4 },
    { "micro", 0x00B5 },
    { "para", 0x00B6 },
    { "middot", 0x00B7 },
    { "cedil", 0x00B8 },
    { "sup1", 0x00B9 },
    { "ordm", 0x00BA },
    { "raquo", 0x00BB },
    { "frac14", 0x00BC },
    { "frac12", 0x00BD },
    { "frac34", 0x00BE },
    { "iquest", 0x00BF },
    { "Agrave", 0x00C0 },
    { "Aacute", 0x00C1 },
    { "Acirc", 0x00C2 },
    { "Atilde", 0x00C3 },
    { "Aring", 0x00C5 },
    { "AElig", 0x00C6 },
    { "Ccedil", 0x00C7 },
    { "Egrave", 0x00C8 },
    { "Eacute", 0x00C9 },
    { "Ecirc", 0x00CA },
    { "Euml", 0x00CB },
    { "Igrave", 0x00CC },
    { "Iacute", 0x00CD },
    { "Icirc", 0x00CE },
    { "Iuml", 0x00CF },
    { "ETH", 0x00D0 },
    { "Ntilde", 0x00D1 },
    { "Ograve", 0x00D2 },
    { "Oacute", 0x00D3 },
    { "Ocirc", 0x00D4 },
    { "Otilde", 0x00D5 },
    { "Ouml", 0x00D6 },
    { "times", 0x00D7 },
    { "Oslash", 0x00D8 },
    { "Ugrave", 0x00D9 },
    { "Uacute", 0x00DA },
    { "Ucirc", 0x00DB },
    { "Uuml", 0x00DC },
    { "Yacute", 0x00DD },
    { "THORN", 0x00DE },
    { "szlig", 0x00DF },
    { "agrave", 0x00E0 },
    { "aacute", 0x00E1 },
    { "acirc", 0x00E2 },
    { "atilde", 0x00E3 },
    { "aring", 0x00E5 },
    { "aelig", 0x00E6 },
    { "ccedil", 0x00E7 },
    { "egrave", 0x00E8 },
    { "eacute", 0x00E9 },
    { "ecirc", 0x00EA },
    { "euml", 0x00EB },
    { "igrave", 0x00EC },
    { "iacute", 0x00ED },
    { "icirc", 0x00EE },
    { "iuml", 0x00EF },
    { "eth", 0x00F0 },
    { "ntilde", 0x00F1 },
    { "ograve", 0x00F2 },
    { "oacute", 0x00F3 },
    { "ocirc", 0x00F4 },
    { "otilde", 0x00F5 },
    { "ouml", 0x00F6 },
    { "divide", 0x00F7 },
    { "oslash", 0x00F8 },
    { "ugrave", 0x00F9 },
    { "uacute", 0x00FA },
    { "ucirc", 0x00FB },
    { "uuml", 0x00FC },
    { "yacute", 0x00FD },
    { "thorn", 0x00FE },
    { "yuml", 0x00FF },
};
static_assert(std::size(Entities) == 99);

QString EntityText(const QString& name)
{
    static const QHash<QString, QChar> table = [] {
        QHash<QString, QChar> map;
        for (const Entity& entity : Entities)
            map.insert(QString::fromLatin1(entity.name), QChar(entity.character));
        return map;
    }();
    const auto found = table.constFind(name);
    if (found != table.constEnd())
        return QString(*found);
    return QLatin1Char('&') + name + QLatin1Char(';');
}

// Only these whole tag contents produce text; every other tag, with
// attributes or not, is dropped.
QString TagText(const QString& lowerContent)
{
    if (lowerContent == QLatin1String("p") || lowerContent == QLatin1String("/div"))
        return LineBreak + LineBreak;
    if (lowerContent == QLatin1String("br") || lowerContent == QLatin1String("/tr")
        || lowerContent == QLatin1String("/pre"))
        return LineBreak;
    if (lowerContent == QLatin1String("/td"))
        return QStringLiteral("|");
    return QString();
}

// The next position of a character at or after from, remembering the last
// answer: positions only grow, so each character is searched once in total.
class NextFinder
{
public:
    NextFinder(const QString& text, QChar c)
        : m_text(text)
        , m_char(c)
    {
    }

    qsizetype from(qsizetype position)
    {
        if (m_found == NoneLeft)
            return -1;
        if (m_found < position) {
            const qsizetype next = m_text.indexOf(m_char, position);
            m_found = next < 0 ? NoneLeft : next;
        }
        return m_found == NoneLeft ? -1 : m_found;
    }

private:
    static constexpr qsizetype NoneLeft = -2;
    const QString& m_text;
    QChar m_char;
    qsizetype m_found = -1;
};

// The part of the markup inside <body ...> and </body>, when there is a body tag.
QString BodyOf(const QString& html)
{
    const qsizetype bodyStart = html.indexOf(QLatin1String("<body"), 0, Qt::CaseInsensitive);
    if (bodyStart < 0)
        return html;
    QString rest = html.mid(bodyStart);
    const qsizetype tagEnd = rest.indexOf(QLatin1Char('>'));
    if (tagEnd >= 0)
        rest.remove(0, tagEnd + 1);
    const qsizetype bodyEnd = rest.indexOf(QLatin1String("</body>"), 0, Qt::CaseInsensitive);
    if (bodyEnd >= 0)
        rest.truncate(bodyEnd);
    return rest;
}

} // namespace

QString HtmlToText(const QString& html)
{
    const QString rest = BodyOf(html);
    const qsizetype n = rest.size();
    NextFinder nextTagEnd(rest, QLatin1Char('>'));
    NextFinder nextSemicolon(rest, QLatin1Char(';'));
    NextFinder nextSpace(rest, QLatin1Char(' '));

    QString out;
    out.reserve(n);
    qsizetype i = 0;
    const auto skipSpaces = [&] {
        while (i < n && rest.at(i) == QLatin1Char(' '))
            ++i;
    };

    while (i < n) {
        const QChar ch = rest.at(i++);
        if (ch == QLatin1Char(' ')) {
            out += QLatin1Char(' ');
            skipSpaces();
        } else if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n')) {
            out += QLatin1Char(' ');
            if (i < n && rest.at(i) == QLatin1Char('\n'))
                ++i;
            skipSpaces();
        } else if (ch == QLatin1Char('<')) {
            const qsizetype tagEnd = nextTagEnd.from(i);
            if (tagEnd < 0)
                continue; // a "<" that opens no tag is dropped
            out += TagText(rest.mid(i, tagEnd - i).toLower());
            i = tagEnd + 1;
        } else if (ch == QLatin1Char('&')) {
            // Decoded when its ";" comes before the next space, or when no
            // space follows at all (an entity at the very end of the text).
            const qsizetype semicolon = nextSemicolon.from(i);
            const qsizetype space = nextSpace.from(i);
            if (semicolon < 0 || (space >= 0 && semicolon > space)) {
                out += QLatin1Char('&');
                continue;
            }
            out += EntityText(rest.mid(i, semicolon - i));
            i = semicolon + 1;
        } else {
            out += ch;
        }
    }
    return out;
}
