#include "core/settings/pdfpagesetup.h"

#include <QRegularExpression>

namespace {

struct NamedPaper
{
    const char* name;
    double widthMm;
    double heightMm;
};

constexpr NamedPaper NamedPapers[] = {
    { "A3", 297, 420 },
    { "A4", 210, 297 },
    { "A5", 148, 210 },
    { "Letter", 215.9, 279.4 },
    { "Legal", 215.9, 355.6 },
};

// Millimetres per unit; 0 for a text that is no unit.
double unitMm(const QString& unit)
{
    const QString u = unit.toLower();
    if (u == QLatin1String("mm"))
        return 1;
    if (u == QLatin1String("cm"))
        return 10;
    if (u == QLatin1String("in"))
        return 25.4;
    if (u == QLatin1String("pt"))
        return 25.4 / 72;
    if (u == QLatin1String("pc"))
        return 25.4 / 6;
    if (u == QLatin1String("px"))
        return 25.4 / 96;
    return 0;
}

// A number and its unit, the unit possibly empty.
struct Length
{
    double value = 0;
    QString unit;
};

std::optional<Length> splitLength(const QString& text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*([0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)\\s*([A-Za-z]*)\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return Length { match.captured(1).toDouble(), match.captured(2) };
}

std::optional<double> toMm(const Length& length)
{
    if (length.unit.isEmpty())
        return length.value == 0 ? std::optional<double>(0) : std::nullopt;
    const double factor = unitMm(length.unit);
    if (factor == 0)
        return std::nullopt;
    return length.value * factor;
}

} // namespace

namespace PdfPageSetup {

QSizeF defaultPaperMm()
{
    return QSizeF(210, 297);
}

std::optional<QSizeF> parsePaper(const QString& text)
{
    const QString trimmed = text.trimmed();
    for (const NamedPaper& paper : NamedPapers) {
        if (trimmed.compare(QLatin1String(paper.name), Qt::CaseInsensitive) == 0)
            return QSizeF(paper.widthMm, paper.heightMm);
    }
    const QStringList sides = trimmed.split(QRegularExpression(QStringLiteral("[xX\u00d7]")));
    if (sides.size() != 2)
        return std::nullopt;
    std::optional<Length> width = splitLength(sides.at(0));
    std::optional<Length> height = splitLength(sides.at(1));
    if (!width || !height)
        return std::nullopt;
    // "210x297mm": the unit given once is both sides'.
    if (width->unit.isEmpty())
        width->unit = height->unit;
    if (height->unit.isEmpty())
        height->unit = width->unit;
    const std::optional<double> w = toMm(*width);
    const std::optional<double> h = toMm(*height);
    if (!w || !h)
        return std::nullopt;
    for (const double side : { *w, *h }) {
        if (side < MinPaperSideMm - 1e-9 || side > MaxPaperSideMm + 1e-9)
            return std::nullopt;
    }
    return QSizeF(*w, *h);
}

std::optional<double> parseLength(const QString& text)
{
    const std::optional<Length> length = splitLength(text);
    return length ? toMm(*length) : std::nullopt;
}

bool marginFits(double marginMm, const QSizeF& paperMm)
{
    return marginMm >= 0
        && std::min(paperMm.width(), paperMm.height()) - 2 * marginMm >= MinPrintableMm - 1e-9;
}

QSizeF paperOrDefault(const QString& text)
{
    return parsePaper(text).value_or(defaultPaperMm());
}

double marginOrDefault(const QString& text, const QSizeF& paperMm)
{
    const std::optional<double> margin = parseLength(text);
    return margin && marginFits(*margin, paperMm) ? *margin : DefaultMarginMm;
}

QString paperNames()
{
    QStringList names;
    for (const NamedPaper& paper : NamedPapers)
        names << QLatin1String(paper.name);
    return names.join(QStringLiteral(", "));
}

} // namespace PdfPageSetup
