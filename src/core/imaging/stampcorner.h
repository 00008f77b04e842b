#pragma once

// Which corner of a drawn stamp sits on the point it is drawn at. A stamp
// measured from the right or bottom edge of the page is anchored by its own
// right or bottom side so that it stays on the page.
enum class StampCorner { TopLeft, TopRight, BottomLeft, BottomRight };
