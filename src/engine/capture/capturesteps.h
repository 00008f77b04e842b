#pragma once

#include "engine/capture/capturegeometry.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVariant>
#include <functional>
#include <limits>

// The steps a capture takes in the page it captures, as each engine performs them.
// Each is bounded by the page's limit, and an answer that comes after the capture
// ended is dropped.
class CaptureSteps
{
public:
    virtual ~CaptureSteps() = default;

    // Runs `script` in the page and calls `then` with its result.
    virtual void runScript(const QString& script, std::function<void(const QVariant&)> then) = 0;
    // Calls `then` once the view shows every change made to the page so far.
    virtual void whenPainted(std::function<void()> then) = 0;
    // Calls `then` with what the view shows now (a null image when nothing could be
    // read back).
    virtual void grabView(std::function<void(const QImage&)> then) = 0;
    // Calls `then` with the page's `area` as it is drawn now (CSS pixels from the
    // document's top left: the scroll position and the view's size, which may be
    // wider than the page's layout). An engine that can draw beyond its view does,
    // without laying the page out again; the others grab their view.
    virtual void grabArea(const QRect& area, std::function<void(const QImage&)> then)
    {
        Q_UNUSED(area);
        grabView(std::move(then));
    }
    // Whether grabView() itself draws every change made so far before it reads the
    // view back, so that no wait for a frame is needed before it.
    virtual bool grabDrawsPendingChanges() const { return false; }
    // Lays the page out in a view of `size`.
    virtual void resizeView(const QSize& size) = 0;
    // Milliseconds since the page's last network request ended, -1 while one is in
    // flight. An engine that cannot watch the page's requests reports the network
    // as long quiet.
    virtual int networkQuietMs() const { return std::numeric_limits<int>::max(); }
    // How many requests the page has started so far (0 when the engine cannot tell).
    virtual int requestsStarted() const { return 0; }
    // How tall one grab of a capture of `captureSize` may be.
    virtual int tileHeightFor(const QSize& captureSize) const
    {
        return TileHeightForCapture(captureSize);
    }
};
