#pragma once

#include <QString>
#include <functional>

// Called once with the outcome of a print (CaptureEngine::printPdf).
using PdfDoneFn = std::function<void(bool ok, const QString& error)>;

namespace PdfPrint {

// The object name of a print in progress, a child of the capturer whose page it
// prints, for whoever must know when it is over.
inline const QString PrinterObjectName = QStringLiteral("pdfPrinter");

// The header and footer drawn in the top and bottom margins: the page's title and
// the date above, "Page N of M" below. The classes are filled in by the browser.
inline const QString HeaderTemplate = QStringLiteral(
    "<div style=\"font: 8px sans-serif; width: 100%; padding: 0 10mm; box-sizing: border-box;"
    " display: flex; justify-content: space-between;\"><span class=\"title\"></span>"
    "<span class=\"date\"></span></div>");
inline const QString FooterTemplate = QStringLiteral(
    "<div style=\"font: 8px sans-serif; width: 100%; text-align: center;\">Page "
    "<span class=\"pageNumber\"></span> of <span class=\"totalPages\"></span></div>");
// The top and bottom margins are at least this much with a header and footer,
// which are drawn inside them.
inline constexpr double HeaderFooterMarginMm = 10;

} // namespace PdfPrint
