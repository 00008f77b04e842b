#include "cli/terminaltext.h"

namespace {

bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}

bool isBidiControl(char16_t c)
{
    return c == 0x061c || c == 0x200e || c == 0x200f || (c >= 0x202a && c <= 0x202e)
        || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

QString TerminalText(const QString& text)
{
    const auto unsafe
        = [](QChar c) { return isControl(c.unicode()) || isBidiControl(c.unicode()); };
    if (std::none_of(text.begin(), text.end(), unsafe))
        return text;
    QString safe;
    safe.reserve(text.size() + 16);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (isControl(u))
            safe += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
        else if (isBidiControl(u))
            safe += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0'));
        else
            safe += c;
    }
    return safe;
}
