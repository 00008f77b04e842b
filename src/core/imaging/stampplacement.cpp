#include "core/imaging/stampplacement.h"

#include <cmath>
#include <limits>

int RoundHalfToEven(double value)
{
    if (std::isnan(value))
        return 0;
    // std::nearbyint follows the default rounding mode, round-half-to-even.
    const double rounded = std::nearbyint(value);
    if (rounded <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (rounded >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return int(rounded);
}

StampPlacement PlaceStamp(
    double placeCode, double distanceX, double distanceY, int pageWidth, int pageHeight)
{
    int code = 0;
    if (placeCode >= 0 && placeCode <= 4 && placeCode == std::floor(placeCode))
        code = int(placeCode);

    const bool right = code == 1 || code == 3;
    const bool bottom = code == 2 || code == 3;
    StampPlacement placement;
    placement.x = RoundHalfToEven(right ? pageWidth - distanceX : distanceX);
    placement.y = RoundHalfToEven(bottom ? pageHeight - distanceY : distanceY);
    if (right)
        placement.corner = bottom ? StampCorner::BottomRight : StampCorner::TopRight;
    else
        placement.corner = bottom ? StampCorner::BottomLeft : StampCorner::TopLeft;
    return placement;
}
