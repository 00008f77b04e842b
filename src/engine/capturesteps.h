#pragma once

#include <QImage>
#include <QString>
#include <QVariant>
#include <functional>

// The steps a capture takes in the page it captures. Each is bounded by the page's
// limit, and an answer that comes after the capture ended is dropped.
class CaptureSteps
{
public:
    virtual ~CaptureSteps() = default;

    // Runs `script` in the page and calls `then` with its result.
    virtual void runScript(const QString& script, std::function<void(const QVariant&)> then) = 0;
    // Calls `then` once the view shows every change made to the page so far.
    virtual void whenPainted(std::function<void()> then) = 0;
    // What the view shows now.
    virtual QImage grabView() = 0;
};
