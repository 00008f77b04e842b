#pragma once

#include <QSizeF>
#include <QString>
#include <optional>

// The text forms of a PDF's page setup, as the command line, the settings file
// and the settings dialog take them. Every length is in millimetres.
//
// Lengths are CSS lengths: a number and one of the units mm, cm, in, pt (1/72 in),
// pc (12 pt) or px (1/96 in), in any case and with optional blanks between them;
// "0" alone is 0 too. A paper is one of the named sizes (A3, A4, A5, Letter,
// Legal; any case) or WIDTHxHEIGHT, two lengths joined by "x" ("210mmx297mm",
// "8.5in x 11in"), where a number without a unit takes the other's unit
// ("210x297mm"). Named sizes are portrait; landscape is asked for apart.
namespace PdfPageSetup {

// The default paper, A4, and margin, 10 mm.
inline constexpr double DefaultMarginMm = 10;
QSizeF defaultPaperMm();

// The sides a paper may have, 1 inch to 200 inches (the largest page a PDF holds).
inline constexpr double MinPaperSideMm = 25.4;
inline constexpr double MaxPaperSideMm = 5080;
// What a margin must leave of the paper, each way, for a page to be printed.
inline constexpr double MinPrintableMm = 10;

// The paper `text` names, or nothing when it names none (see above), or when a
// side is outside MinPaperSideMm to MaxPaperSideMm.
std::optional<QSizeF> parsePaper(const QString& text);
// The length `text` gives, or nothing for a text that is no length, or a
// negative one.
std::optional<double> parseLength(const QString& text);
// Whether a margin of `marginMm` on every side leaves MinPrintableMm each way on
// `paperMm`.
bool marginFits(double marginMm, const QSizeF& paperMm);

// As a settings file gives them, where nothing is refused: the paper `text`
// names, else A4; the margin `text` gives when it fits `paperMm`, else 10 mm.
QSizeF paperOrDefault(const QString& text);
double marginOrDefault(const QString& text, const QSizeF& paperMm);

// The names of the named papers, for messages and help.
QString paperNames();

} // namespace PdfPageSetup
