#pragma once

#include <QtGlobal>
#include <algorithm>
#include <climits>

// Every wait on a page - its load, each step of its capture, a frame, the text and
// the PDF - ends within the page's time-out plus this margin. A slow renderer that
// is alive answers within it; a stuck one is given up on soon after the time the
// user allowed.
inline constexpr int WaitMarginMs = 5000;

// How long a page that ran out of time is given to say how far it got: the
// margin, less what starting the page and dropping a stuck one take, so that
// even a page whose script never ends is done within its time-out and the margin.
inline constexpr int LateAnswerMs = WaitMarginMs - 1500;

// The time-out of a page that has no setting of its own (a view captured as it
// stands).
inline constexpr int DefaultTimeoutSeconds = 60;

// The page's own time-out, in milliseconds: the load's bound.
inline int TimeoutMs(int timeoutSeconds)
{
    return int(std::min<qint64>(qint64(std::max(timeoutSeconds, 0)) * 1000, INT_MAX));
}

// The bound for one wait, in milliseconds. A timeout of a day and more still fits.
inline int WaitLimitMs(int timeoutSeconds)
{
    return int(std::min<qint64>(qint64(TimeoutMs(timeoutSeconds)) + WaitMarginMs, INT_MAX));
}
