#include "engine/qtwebengine/framewaiter.h"

#include "engine/capture/capturescripts.h"
#include "engine/capture/waitlimits.h"
#include "engine/qtwebengine/capturepage.h"

#include <QQuickWidget>
#include <QQuickWindow>
#include <QWebEngineView>

namespace {

// Frame requests per wait: one more after the first, as a request can be lost
// when the page reloads itself.
constexpr int Attempts = 2;
// How often a page that cannot report through the console is asked for its mark.
constexpr int PollMs = 16;

} // namespace

FrameWaiter::FrameWaiter(QObject* parent)
    : QObject(parent)
{
    m_watchdog.setSingleShot(true);
    setLimit(WaitLimitMs(DefaultTimeoutSeconds));
    connect(&m_watchdog, &QTimer::timeout, this, [this] {
        if (++m_attempts < Attempts && m_then) {
            request();
            return;
        }
        cancel();
        emit stalled();
    });
    m_poll.setInterval(PollMs);
    connect(&m_poll, &QTimer::timeout, this, &FrameWaiter::pollMark);
}

void FrameWaiter::setLimit(int ms)
{
    // A frame that does not come within its share will not come: the renderer is
    // hung or gone, or the page keeps reloading.
    m_watchdog.setInterval(std::max(ms / Attempts, 1));
}

void FrameWaiter::wait(QWebEngineView* view, std::function<void()> then)
{
    cancel();
    m_view = view;
    m_then = std::move(then);
    m_attempts = 0;
    if (!view) {
        request();
        return;
    }
    if (auto* page = qobject_cast<CapturePage*>(view->page()))
        m_tokenConnection
            = connect(page, &CapturePage::frameTokenLogged, this, &FrameWaiter::onToken);
    request();
}

void FrameWaiter::cancel()
{
    m_then = nullptr;
    m_awaited = -1;
    m_watchdog.stop();
    m_poll.stop();
    disconnect(m_tokenConnection);
    disconnect(m_renderConnection);
}

void FrameWaiter::request()
{
    m_awaited = ++m_token;
    // Armed before anything else: every wait ends, whatever happens to the view.
    m_watchdog.start();
    if (!m_view || !m_view->page()) {
        // The view went (its window was closed): no frame will come.
        const int awaited = m_awaited;
        QTimer::singleShot(0, this, [this, awaited] {
            if (m_then && awaited == m_awaited) {
                cancel();
                emit stalled();
            }
        });
        return;
    }
    if (qobject_cast<CapturePage*>(m_view->page())) {
        m_view->page()->runJavaScript(
            CaptureScripts::logAfterTwoFrames(CapturePage::frameTokenMessage(m_awaited)));
        return;
    }
    m_view->page()->runJavaScript(CaptureScripts::markAfterTwoFrames(m_awaited));
    m_poll.start();
}

void FrameWaiter::pollMark()
{
    if (!m_view || !m_view->page())
        return;
    QPointer<FrameWaiter> self(this);
    const int awaited = m_awaited;
    m_view->page()->runJavaScript(
        CaptureScripts::readFrameMark(), [self, awaited](const QVariant& mark) {
            if (self && awaited == self->m_awaited && mark.toInt() == awaited)
                self->onToken(awaited);
        });
}

void FrameWaiter::onToken(int token)
{
    if (!m_then || token != m_awaited)
        return;
    m_awaited = -1;
    m_poll.stop();
    // The page has produced its frame; the view holds it once it has rendered next.
    QQuickWidget* widget = renderWidget();
    if (!widget || !widget->quickWindow()) {
        onRendered();
        return;
    }
    disconnect(m_renderConnection);
    m_renderConnection = connect(
        widget->quickWindow(), &QQuickWindow::afterRendering, this,
        [this] {
            disconnect(m_renderConnection);
            QMetaObject::invokeMethod(this, &FrameWaiter::onRendered, Qt::QueuedConnection);
        },
        Qt::DirectConnection);
    // Render the view now: without a change it would not render again, and the
    // frame the page has just produced is drawn by this render.
    widget->quickWindow()->update();
}

void FrameWaiter::onRendered()
{
    if (!m_then)
        return;
    auto then = std::move(m_then);
    cancel();
    then();
}

QQuickWidget* FrameWaiter::renderWidget() const
{
    if (!m_view)
        return nullptr;
    if (auto* widget = qobject_cast<QQuickWidget*>(m_view->focusProxy()))
        return widget;
    return m_view->findChild<QQuickWidget*>();
}
