#pragma once

#include <QString>

// The scripts the capture runs in the page. Every change they make to the page is
// recorded in window.__pagelithSaved so that a view the user is looking at can be
// put back as it was.
namespace CaptureScripts {

// Returns the body and root metrics BodyMetrics::fromVariant reads.
QString measure();
// Strips the body's scroll bar, border and margin and hides the viewport's overflow.
QString stripBodyFrame();
// Sticky elements go back into the flow, so they appear once at their own place.
QString unstickElements();
// Fixed elements are hidden once the first tile holds them.
QString hideFixedElements();
// Undoes everything above and scrolls back to (x, y).
QString restore(int x, int y);
// Scrolls to (0, y) and returns the scroll position the page actually took.
QString scrollTo(int y);
// Returns [scrollX, scrollY].
QString scrollPosition();
// Logs `message` once two animation frames have passed, so a frame after every
// change made before it has been produced.
QString logAfterTwoFrames(const QString& message);
// The same, for pages that cannot report through the console: sets a variable.
QString markAfterTwoFrames(int token);
QString readFrameMark();
QString readyState();
// The body's HTML, for the text output.
QString bodyHtml();

} // namespace CaptureScripts
