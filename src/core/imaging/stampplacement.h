#pragma once

#include "core/imaging/stampcorner.h"

// Where a watermark goes on a page, from the placement code of the settings.
struct StampPlacement
{
    int x = 0;
    int y = 0;
    StampCorner corner = StampCorner::TopLeft;
};

// Codes: 0 top left, 1 top right, 2 bottom left, 3 bottom right, 4 the given
// place (as 0). The distances count from the page's corner of that name, so
// the anchor is (pageWidth - distanceX) for the right-hand codes and
// (pageHeight - distanceY) for the bottom ones; the stamp is anchored there by
// its own matching corner. Any other code is treated as 0: a missing key or
// "no entry chosen" still gives a visible stamp.
StampPlacement PlaceStamp(
    double placeCode, double distanceX, double distanceY, int pageWidth, int pageHeight);

// Nearest integer, halves to the even neighbour, clamped to the int range.
int RoundHalfToEven(double value);
