#pragma once

#include <QByteArray>
#include <QString>

// Generated test pages. Every page is built of 100-px bands, each with its own light
// tint and a label, so a capture that leaves part blank or repeats a part shows it.
// The last band is the end marker: pure red (#ff0000), 100 px tall, so a capture
// that reaches the bottom of the page ends in red.
namespace TestPages {

// Colours as 0xRRGGBB, so that the helpers need no GUI module.
inline constexpr unsigned EndMarkerRgb = 0xff0000;
inline constexpr unsigned FixedHeaderRgb = 0x0000ff;
// The band tints in order; band n has BandTints[n % BandTintCount].
inline constexpr unsigned BandTints[]
    = { 0xf3e9d2, 0xd8f3dc, 0xdbe7f6, 0xf6dbe9, 0xe9e4f6, 0xf6f3c8, 0xd5f0f0 };
inline constexpr int BandTintCount = 7;

// A page exactly width x height CSS pixels (height a multiple of 100), html and
// body without margins. `standards` adds <!DOCTYPE html>; without it the page
// renders in quirks mode.
QByteArray bandedPage(int width, int height, bool standards = true);

// A standards page with an 80-px blue `position: fixed` header over bands of the
// given total height (the header's space is padding at the top of the body).
QByteArray fixedHeaderPage(int width, int height);

// A short page with the given body markup (a DOCTYPE, utf-8, default margins).
QByteArray simplePage(const QString& title, const QString& bodyHtml);

// Writes `content` to `folder`/`fileName`; returns the path, or an empty string.
QString writePage(const QString& folder, const QString& fileName, const QByteArray& content);

} // namespace TestPages
