#pragma once

#include "capturegeometry.h"
#include "capturesteps.h"
#include "conversionresult.h"
#include "framewaiter.h"
#include "loadprogress.h"
#include "tilegrabber.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSize>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>

class QWebEngineLoadingInfo;
class QWebEnginePage;
class QWebEngineView;

// Turns a web page into one image of the whole page.
//
// captureUrl() loads an address into a hidden view the capturer owns (kept between
// captures) and, once the top-level document has finished loading (never
// "about:blank"), lays the page out for the capture and grabs it. captureView()
// captures exactly what an existing view shows and then puts the view's size,
// position, scroll position and the page's styles back as they were.
//
// Either call answers exactly once, asynchronously: captured(image) or
// failed(reason). A failed load gives LoadErrorText(); a renderer crash, a page that
// cannot be painted or a page too large to hold also fail. When the time-out runs
// out before the load event, a page whose document has arrived is captured as it
// stands (see note()); a page that never answered fails at once. Every later wait
// (each script answer, each frame) is bounded by the time-out plus a margin.
//
// A page of the capturer's own view that failed, timed out or crashed is dropped
// with its load and renderer: the next page starts in a fresh page, and nothing the
// old one still reports reaches it. After a page that went well the page is reused.
//
// The page is measured by its body and root element (see PageSizeFromMetrics), the
// body's scroll bar, border, overflow and margin are stripped, and the view is
// enlarged to the page width. Lazy images and frames are loaded first and waited
// for (within the time-out), so the page is measured as a reader would see it.
// Pages taller than one view can render are grabbed in tiles and assembled (see
// TileGrabber, which also proves every grab current); sticky elements are put back
// into the flow and fixed ones appear in the first tile only. After the last tile
// the page is measured again: a page that changed its height is captured once more,
// and one that keeps changing is kept at its final height with a remark.
class PageCapturer : public QObject, private CaptureSteps
{
    Q_OBJECT
public:
    explicit PageCapturer(QObject* parent = nullptr);
    ~PageCapturer() override;

    void captureUrl(const QUrl& url, int timeoutSeconds);
    void captureView(QWebEngineView* view);

    // Ends the capture in progress without a signal.
    void abort();
    // Drops the page of the latest capture, which went well but stopped answering
    // afterwards (while its text was read): the next capture starts in a fresh page.
    void discardPage();
    bool isBusy() const;

    // The page of the latest capture, still showing it: the text and PDF outputs
    // read the body and the address from here.
    QWebEnginePage* page() const;
    // A remark on a capture that succeeded with a reservation, else empty.
    QString note() const;
    // Where the latest capture's time went: load, settle and tiles.
    StageTimes stageTimes() const { return m_times; }

    // For an output whose product is not the picture (the text, a PDF printed
    // from the page): a page too tall for one picture is captured down to
    // CutPageHeight (less where its width asks for it), with a remark, instead
    // of failing. Kept from one capture to the next.
    void setTallPagesCut(bool cut) { m_cutTallPages = cut; }
    static constexpr int CutPageHeight = 30000;

    // Width of the view a page is laid out in before it is measured.
    static constexpr int LayoutWidth = 1024;
    static constexpr int LayoutHeight = 768;

signals:
    void captured(const QImage& image);
    void failed(const QString& reason);
    // The browser's status, composed from the load's progress and hovered links.
    void statusText(const QString& text);

private:
    enum class State { Idle, Loading, Capturing };
    // How far the layout of a capture has come.
    enum class Layout {
        // Measured at the layout width, before the view is enlarged.
        Measuring,
        // Measured again at the capture width; tiles as tall as a view renders well.
        CaptureWidth,
        // The page sizes parts by the view's height (vh): tiles as high as a window.
        ViewHighTiles,
        // The page changed its height while its tiles were taken: captured once more.
        SecondPass,
    };

    void ensureOwnView();
    void replaceOwnPage();
    void attach(QWebEngineView* view);
    void detach();
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void onLoadFinished(bool ok);
    void onLoadVerdict(const LoadProgress::Verdict& verdict);
    void onLoadSucceeded();
    void onLoadTimeout();
    void startCapture();
    void waitForLazyContent();
    void measureForLayout();
    // Sizes the capture from the page's metrics, strips the body's frame and
    // enlarges the view; called again once the page has reflowed at that width.
    void prepareCaptureLayout(const QVariant& metrics);
    void resizeForTiles(int tileHeight, std::function<void()> then);
    void onResized();
    void startTiles();
    void checkFinalSize(const QVariant& metrics);
    void finish();
    void fail(const QString& reason);
    void failTooLarge(const QSize& size);
    BodyMetrics metricsOf(const QVariant& value);
    void restoreView();

    void runScript(const QString& script, std::function<void(const QVariant&)> then) override;
    void whenPainted(std::function<void()> then) override;
    QImage grabView() override;

    State m_state = State::Idle;
    bool m_cutTallPages = false;
    std::unique_ptr<QWebEngineView> m_ownView;
    QPointer<QWebEngineView> m_view;
    bool m_external = false;
    QList<QMetaObject::Connection> m_connections;

    QTimer m_loadTimer;
    // Gives up a page whose renderer takes more than MaxRendererBytes.
    QTimer m_memoryWatch;
    FrameWaiter m_frames;
    int m_timeoutSeconds = 0;
    int m_generation = 0;

    LoadProgress m_load;
    QString m_note;
    Layout m_layout = Layout::Measuring;
    QSize m_captureSize;
    int m_tileHeight = 0;
    TileGrabber m_tiles;
    QTimer m_contentPoll;
    QDeadlineTimer m_contentDeadline;
    QImage m_image;
    QElapsedTimer m_stageClock;
    StageTimes m_times;

    QSize m_savedSize;
    QPoint m_savedPos;
    QPoint m_savedScroll;
};
