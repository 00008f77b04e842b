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
// Fixed elements are pinned where the view shows them now (the first screen): they
// become part of the page there, once, whatever the height of the tiles.
QString pinFixedElements();
// Fixed elements are hidden once the first tile holds them.
QString hideFixedElements();
// Shows the hidden fixed elements again, for a capture that starts over.
QString showFixedElements();
// Undoes everything above, removes the frame marker and scrolls back to (x, y).
QString restore(int x, int y);
// Scrolls to (0, y) and, in the same task, paints the frame marker in `rgb`
// (0xRRGGBB): a one-pixel column `column` CSS pixels from the view's left edge, as
// high as the view, just right of the captured rectangle (beyond the page's layout
// where the capture is wider). A frame that shows the marker in that colour also
// shows the scroll. Returns the scroll position the page actually took.
QString scrollAndMark(int y, unsigned rgb, int column);
// Takes the frame marker away again.
QString removeMarker();
// Lazy images and frames are told to load now; returns how many were lazy.
QString loadLazyContent();
// How many images and formerly lazy frames are still loading.
QString pendingContent();
// Fast-forwards finite animations and transitions to their end and stops infinite
// ones at their start, then returns { fonts: whether every font has loaded, shape:
// a text that changes when the layout does }.
QString stillnessProbe();
// Whether the page shows an element matching the CSS selector (false for a
// selector the browser cannot read).
QString hasElement(const QString& selector);
// The box of the first element matching the CSS selector, in page coordinates (CSS
// pixels from the document's top left): { found, x, y, w, h }, or { invalid: true }
// for a selector the browser cannot read.
QString elementBox(const QString& selector);
// Hides the elements matching the selector list `hide` (their place kept) and
// removes those of the consent banners' `banners`; with `heuristic`, also fixed and
// sticky overlays that speak of cookies or consent and offer a button. Returns how
// many elements it hid.
QString hideElements(const QString& hide, const QStringList& banners, bool heuristic);
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
