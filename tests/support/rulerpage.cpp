#include "rulerpage.h"

#include <QString>
#include <cstdlib>

namespace RulerPage {

namespace {

// Four bits a channel, sixteen levels apart: 4096 bands, 81,920 px of page.
int level(int bits)
{
    return bits * 16 + 8;
}

const char* const Words[] = { "capture", "ruler", "tile", "scroll", "frame", "marker", "band",
    "page", "text", "line", "proof", "colour", "pixel", "layout", "engine", "view" };

} // namespace

unsigned bandRgb(int band)
{
    const int n = band & 0xfff;
    return unsigned(level(n & 15) << 16 | level((n >> 4) & 15) << 8 | level((n >> 8) & 15));
}

int bandOf(QRgb rgb)
{
    auto bits = [](int value) {
        const int n = value / 16;
        return std::abs(level(n) - value) <= 4 && n >= 0 && n < 16 ? n : -1;
    };
    const int r = bits(qRed(rgb)), g = bits(qGreen(rgb)), b = bits(qBlue(rgb));
    if (r < 0 || g < 0 || b < 0)
        return -1;
    return r | g << 4 | b << 8;
}

QByteArray html(int width, int height)
{
    QByteArray out = QStringLiteral(
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Ruler page</title>\n"
        "<style>\nhtml, body { margin: 0; padding: 0; background: #fff; }\n"
        "body { position: relative; width: %1px; height: %2px; overflow: hidden;"
        " font: 11px/13px sans-serif; color: #222; }\n"
        "#text { position: absolute; left: 0; top: 0; width: %3px; height: %2px;"
        " overflow: hidden; }\n"
        ".block { height: 500px; overflow: hidden; border-top: 1px solid #c33;"
        " box-sizing: border-box; }\n"
        ".block div { white-space: nowrap; height: 13px; }\n"
        "#ruler { position: absolute; right: 0; top: 0; width: %4px; }\n"
        "#ruler div { height: %5px; }\n</style></head><body>\n<div id=\"text\">\n")
                         .arg(width)
                         .arg(height)
                         .arg(width - StripWidth)
                         .arg(StripWidth)
                         .arg(BandHeight)
                         .toUtf8();
    const int lineChars = (width - StripWidth) / 6;
    for (int block = 0; block * 500 < height; ++block) {
        out += QStringLiteral("<div class=\"block\"><div><b>Block %1 (y = %2 px)</b></div>")
                   .arg(block)
                   .arg(block * 500)
                   .toUtf8();
        for (int line = 1; line < 500 / 13; ++line) {
            QString text = QStringLiteral("%1.%2 ").arg(block).arg(line);
            for (int w = block * 7 + line; text.size() < lineChars; ++w)
                text += QLatin1String(Words[w % 16]) + QLatin1Char(' ');
            out += "<div>" + text.toUtf8() + "</div>";
        }
        out += "</div>\n";
    }
    out += "</div>\n<div id=\"ruler\">";
    for (int band = 0; band * BandHeight < height; ++band)
        out += QStringLiteral("<div style=\"background:#%1\"></div>")
                   .arg(bandRgb(band), 6, 16, QLatin1Char('0'))
                   .toUtf8();
    out += "</div>\n</body></html>\n";
    return out;
}

Audit audit(const QImage& image, int width, int height, int tileHeight)
{
    Audit result;
    const int x = width - StripWidth / 2;
    for (int band = 0; (band + 1) * BandHeight <= height; ++band) {
        ++result.bands;
        // Two rows a band, clear of its edges.
        for (int y : { band * BandHeight + 5, band * BandHeight + BandHeight - 5 }) {
            const int found
                = y < image.height() && x < image.width() ? bandOf(image.pixel(x, y)) : -1;
            if (found == band)
                continue;
            ++result.badBands;
            const int tile = tileHeight > 0 ? y / tileHeight : 0;
            if (!result.badTiles.contains(tile))
                result.badTiles.append(tile);
            if (result.firstProblem.isEmpty())
                result.firstProblem = QStringLiteral("y = %1 shows band %2 instead of %3")
                                          .arg(y)
                                          .arg(found)
                                          .arg(band);
            break;
        }
    }
    return result;
}

} // namespace RulerPage
