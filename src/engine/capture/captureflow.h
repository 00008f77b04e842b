#pragma once

#include "core/settings/outputformats.h"
#include "engine/capture/capturegeometry.h"
#include "engine/capture/captureoptions.h"
#include "engine/capture/tilegrabber.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QSize>
#include <QTimer>
#include <functional>

class CaptureSteps;

// Lays a loaded page out for its capture and captures it, through the steps of
// whichever engine shows it (CaptureSteps).
//
// First the page is waited for until it is still, within a bound: its fonts
// loaded, no request in flight, its layout the same in two frames in a row; the
// capture counts once the network has stayed quiet for NetworkQuietMs with no new
// request (else the page is captured again, once, when it has). Finite animations and transitions
// are fast-forwarded to their end and infinite ones stopped at their start, so the capture shows
// the page as it comes to rest. A page that is not still by the bound is captured as it stands
// then, with a remark.
//
// The page is measured by its body and root element (see PageSizeFromMetrics), the
// body's scroll bar, border, overflow and margin are stripped, and the view is
// enlarged to the page width. Lazy images and frames are loaded first and waited
// for (within the given time), so the page is measured as a reader would see it.
// Pages taller than one view can render are grabbed in tiles and assembled (see
// TileGrabber, which also proves every grab current); sticky elements are put back
// into the flow and fixed ones appear in the first tile only. After the last tile
// the page is measured again: a page that changed its height is captured once more,
// and one that keeps changing is kept at its final height with a remark.
//
// With a selector (CaptureOptions::selector) the picture is the box of the first
// element that matches it: the page is laid out and tiled as a whole, down to the
// element's bottom, and the box is cut out of it.
//
// Answers once per start(): captured(image) or failed(reason).
class CaptureFlow : public QObject
{
    Q_OBJECT
public:
    explicit CaptureFlow(CaptureSteps& steps, QObject* parent = nullptr);

    // How long the network must have been quiet for the page to count as still.
    static constexpr int NetworkQuietMs = 500;

    // `lazyWaitSeconds` bounds the wait for lazy content; `windowHeight` is the
    // height of the window a visitor sees the page in. Of `options`, the bound of
    // the wait for a still page (0: none, the page is captured as it stands), the
    // scale, and the first screen only (the viewport's size).
    void start(int lazyWaitSeconds, int windowHeight, const CaptureOptions& options = noWait());
    // Options that capture the page as it stands, whole, at scale 1.
    static CaptureOptions noWait()
    {
        CaptureOptions options;
        options.settleSeconds = 0;
        return options;
    }
    // Ends the capture in progress without a signal.
    void cancel();

    // The page's one clock, started when its load starts: `end` is its time-out
    // of `timeoutSeconds`, to which the extra wait (CaptureOptions::extraWaitMs),
    // an explicit wish of the user, is added. Every wait of the capture (lazy content, the element
    // waited for, the settling, the extra wait, the quiet network, a second pass)
    // ends there, and the page is captured as it stands, with a remark. Its
    // capture must be done by `end` plus WaitMarginMs (a page whose load used up
    // its time still gets MinCaptureMs), or the page fails with the reason.
    // Kept until the next call; without one a capture has no bound of its own.
    void boundPage(const QDeadlineTimer& end, int timeoutSeconds);
    static constexpr int MinCaptureMs = 3000;

    // For an output whose product is not the picture (the text, a PDF printed
    // from the page): a page too tall for one picture is captured down to
    // CutPageHeight (less where its width asks for it), with a remark, instead
    // of failing. Kept from one capture to the next.
    void setTallPagesCut(bool cut) { m_cutTallPages = cut; }
    static constexpr int CutPageHeight = 30000;
    // The format the picture is written in: a page whose picture it cannot hold
    // fails as soon as it is measured (see imagesizelimits.h). Kept from one
    // capture to the next.
    void setPictureFormat(OutputFormat format) { m_pictureFormat = format; }

    // A remark on a capture that succeeded with a reservation, else empty.
    QString remark() const;
    // Seconds spent settling and laying out, and grabbing tiles.
    double settleSeconds() const { return m_settle; }
    double tilesSeconds() const { return m_tiles; }

signals:
    void captured(const QImage& image);
    void failed(const QString& reason);

private:
    // How far the layout of a capture has come.
    enum class Layout {
        // Measured at the layout width, before the view is enlarged.
        Measuring,
        // Measured again at the capture width in a view as high as a window: the
        // page's own height there, however much shorter the wider layout made it.
        WindowHigh,
        // Measured again at the capture width; tiles as tall as a view renders well.
        CaptureWidth,
        // The page sizes parts by the view's height (vh): tiles as high as a window.
        ViewHighTiles,
        // The page changed its height while its tiles were taken: captured once more.
        SecondPass,
    };

    void waitForLazyContent();
    void waitForSelector();
    void settle();
    // Once the page is still: hides what is to be hidden, waits the extra time, and
    // goes on to measure.
    void afterSettle();
    void waitExtraTime();
    void onStillnessProbe(const QVariant& probe);
    void measure();
    void captureFirstScreen();
    // Sizes the capture from the page's metrics, strips the body's frame and
    // enlarges the view; called again once the page has reflowed at that width.
    void prepareCaptureLayout(const QVariant& metrics);
    void resizeForTiles(int tileHeight, std::function<void()> then);
    void startTiles();
    // Takes the tiles of the capture's top `height` rows.
    void grabTiles(int height);
    // The element's box, from the answer of CaptureScripts::elementBox(), or the
    // reason there is none to capture.
    QString takeElementBox(const QVariant& box);
    void checkFinalSize(const QVariant& metrics);
    void finishWhenQuiet();
    void finish();
    void fail(const QString& reason);
    bool refuseSize(const QSize& imageSize);
    BodyMetrics metricsOf(const QVariant& value);

    CaptureSteps& m_steps;
    TileGrabber m_grabber;
    bool m_running = false;
    int m_windowHeight = 0;
    Layout m_layout = Layout::Measuring;
    QSize m_captureSize;
    int m_tileHeight = 0;
    QTimer m_contentPoll;
    QDeadlineTimer m_contentDeadline;
    int m_settleSeconds = 0;
    double m_scale = 1;
    // The first screen only, of this size; empty for the whole page.
    QSize m_viewportOnly;
    QDeadlineTimer m_settleDeadline;
    QTimer m_settleTimer;
    QTimer m_quietTimer;
    QTimer m_selectorPoll;
    QTimer m_extraWait;
    int m_extraWaitLeft = 0;
    CaptureOptions m_options;
    // The page's requests started when the capture began.
    int m_requestsAtCapture = 0;
    // The page is captured once more for what it loaded while it was captured.
    bool m_recapture = false;
    // The layout's shape at the previous look, empty before the first.
    QString m_lastShape;
    QImage m_image;
    // With a selector, the element's box in CSS pixels: only it is kept.
    QRect m_elementBox;
    QString m_remark;
    bool m_cutTallPages = false;
    OutputFormat m_pictureFormat = OutputFormat::Bmp;
    QString m_cutRemark;
    // The page's bound (see boundPage()), and the timer that fails a capture
    // still running at its end and margin.
    QDeadlineTimer m_pageEnd = QDeadlineTimer(QDeadlineTimer::Forever);
    // This capture's end: the page's, plus the extra wait the user asked for.
    QDeadlineTimer m_end = QDeadlineTimer(QDeadlineTimer::Forever);
    int m_pageTimeoutSeconds = 0;
    QTimer m_pageTimer;
    // The earlier of `deadline` and the page's end.
    QDeadlineTimer withinPage(const QDeadlineTimer& deadline) const
    {
        return deadline < m_end ? deadline : m_end;
    }
    void addRemark(const QString& remark);
    QElapsedTimer m_clock;
    double m_settle = 0;
    double m_tiles = 0;
};
