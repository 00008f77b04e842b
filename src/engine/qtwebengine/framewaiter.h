#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

class QQuickWidget;
class QWebEngineView;

// Waits for proof that a view shows every change made to its page so far: two
// animation frames pass in the page (so a frame after the changes has been
// produced), then the view renders once more (so that frame is what it holds).
// A fixed delay would be both slow and unreliable. A page that is a CapturePage
// reports through the console; any other page is asked for a mark it sets.
class FrameWaiter : public QObject
{
    Q_OBJECT
public:
    explicit FrameWaiter(QObject* parent = nullptr);

    // Calls `then` once the view shows its page's latest frame. When no frame comes
    // within half the limit, it asks once more, then emits stalled(): a wait ends
    // within the limit.
    void wait(QWebEngineView* view, std::function<void()> then);
    // The bound of each wait from now on (the page's time-out plus a margin).
    void setLimit(int ms);
    // Forgets the wait in progress; `then` is not called.
    void cancel();

signals:
    void stalled();

private:
    void request();
    void onToken(int token);
    void pollMark();
    void onRendered();
    QQuickWidget* renderWidget() const;

    QPointer<QWebEngineView> m_view;
    std::function<void()> m_then;
    QMetaObject::Connection m_tokenConnection;
    QMetaObject::Connection m_renderConnection;
    QTimer m_watchdog;
    QTimer m_poll;
    int m_token = 0;
    int m_awaited = -1;
    int m_attempts = 0;
};
