#pragma once

#include <QRect>

// The schedule windows keep the geometry of their original layout, given in
// twips: 15 to a pixel.
inline QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}
