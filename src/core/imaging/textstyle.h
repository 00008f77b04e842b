#pragma once

#include <QString>

// How ImagingComponent::drawText draws its next text.
struct TextStyle
{
    // Windows RGB colour reference: red in the low byte, then green, then blue.
    quint32 color = 0;
    // Family name; empty or unknown names fall back to the system's sans font.
    QString fontName;
    // Size in points on a 96 dots-per-inch page; 0 or less means 12 points.
    int fontSize = 0;
    // Rendering quality as the Windows text rendering hints number it:
    // 1 and 2 draw single-bit (aliased) glyphs, every other value anti-aliases.
    int textQuality = 0;
    // Counter-clockwise, in degrees.
    int rotation = 0;
    // 0 opaque to 1 invisible.
    float transparency = 0.0f;
};
