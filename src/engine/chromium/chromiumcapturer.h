#pragma once

#include "engine/capture/captureengine.h"
#include "engine/capture/captureflow.h"
#include "engine/capture/capturesteps.h"
#include "engine/chromium/chromiumsparepage.h"
#include "engine/chromium/networkactivity.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <memory>

class ChromiumBrowser;
class ChromiumPage;

// Captures pages in the system's Chromium (one ChromiumBrowser shared by every
// capturer of a run). Each page is loaded in a fresh ChromiumPage, so nothing of
// one page reaches the next; the page stays open for its text until the next
// capture. The load follows the same rules as the Qt WebEngine capturer (the
// time-out, a page that never finishes captured as it stands, load errors in
// words), and the capture itself is the same CaptureFlow, its scripts run in a
// world of their own that the page's scripts cannot touch.
//
// A page whose renderer crashes fails and is closed; a browser that dies fails the
// page it took down and is started again for the next. The browser's renderers
// are held to MaxRendererBytes while a page is converted: one that takes more is
// ended, and the pages it showed fail for their memory.
class ChromiumCapturer : public CaptureEngine, private CaptureSteps
{
    Q_OBJECT
public:
    explicit ChromiumCapturer(ChromiumBrowser* browser, QObject* parent = nullptr);
    ~ChromiumCapturer() override;

    void captureUrl(const QUrl& url, int timeoutSeconds) override;
    void abort() override;
    void discardPage() override;
    QString note() const override { return m_note; }
    StageTimes stageTimes() const override { return m_times; }
    QUrl pageUrl() const override { return m_pageUrl; }
    void readBodyHtml(QObject* context, std::function<void(const QString& html)> then) override;
    void readArchive(QObject* context,
        std::function<void(const QByteArray& mhtml, const QString& error)> then) override;
    void readScriptValue(const QString& script, QObject* context,
        std::function<void(const QVariant& value)> then) override;
    void printPdf(const QString& pdfPath, const PdfOptions& options, int timeoutSeconds,
        QObject* context, PdfDoneFn done) override;

    // The tallest view one grab takes; taller captures are taken in tiles. Measured
    // with Chromium 156 and ruler pages: views of 81,000 rows (1,200 wide) and of
    // 40,000 rows (3,000 wide) came out whole; a view of 120,000 rows repeated its
    // top from row 81,920 on, with the frame marker intact. Half that; only a
    // narrow page reaches it before the area below.
    static constexpr int MaxTileHeight = 40960;
    // Image pixels a grab holds at most (1,280 x 8,192), but never fewer rows
    // than the least, however wide the page.
    static constexpr double MaxTileArea = 10.5e6;
    static constexpr int MinTileHeight = 1000;
    static constexpr int LayoutWidth = 1024;
    static constexpr int LayoutHeight = 768;
    // How often the renderers' memory is looked at (a compression bomb grows it by
    // a gigabyte in a few seconds), and the list of renderers read again.
    static constexpr int MemoryWatchMs = 250;
    static constexpr int RendererListEvery = 4;
    // The most memory one renderer of the browser held during the latest page.
    qint64 peakRendererBytes() const { return m_peakRendererBytes; }

private:
    enum class State { Idle, Opening, Loading, Capturing };

    void openPage();
    void reopenFreshPage();
    void navigate();
    void onPageEvent(const QString& method, const QJsonObject& params);
    void onLoaded();
    void onTimeout();
    // The load was stopped without a download: the renderer died before the page
    // came, the server sent no content, or the browser gave the load up.
    void onLoadAborted();
    void watchMemory();
    void startCapture();
    // Puts the style sheet and the script asked for into the page, then `then`.
    void injectIntoPage(std::function<void()> then);
    void finish(const QImage& image);
    void fail(const QString& reason);
    void closePage();

    void runScript(const QString& script, std::function<void(const QVariant&)> then) override;
    void whenPainted(std::function<void()> then) override;
    void grabView(std::function<void(const QImage&)> then) override;
    // The area is drawn as the page stands, beyond the window's width too, without
    // laying the page out again.
    void grabArea(const QRect& area, std::function<void(const QImage&)> then) override;
    void resizeView(const QSize& size) override;
    int tileHeightFor(const QSize& captureSize) const override;
    // A screenshot from the surface asks the renderer for a new frame and waits
    // for it.
    bool grabDrawsPendingChanges() const override { return true; }
    int networkQuietMs() const override;
    int requestsStarted() const override { return m_network.requestsStarted(); }

    QPointer<ChromiumBrowser> m_browser;
    std::unique_ptr<ChromiumPage> m_page;
    ChromiumSparePage m_spare;
    State m_state = State::Idle;
    int m_generation = 0;
    QUrl m_url;
    QUrl m_pageUrl;
    int m_timeoutSeconds = 0;
    int m_httpStatus = 0;
    // The request of the top-level document, once its answer began.
    QString m_documentRequest;
    bool m_navigated = false;
    bool m_fromSpare = false;
    bool m_askedAfterTimeout = false;
    int m_world = 0;
    QTimer m_timer;
    // Gives an aborted load the time to tell that its renderer went.
    QTimer m_abortCause;
    QTimer m_memoryWatch;
    int m_memoryLooks = 0;
    QList<qint64> m_renderers;
    // The most memory one renderer held during the latest page.
    qint64 m_peakRendererBytes = 0;
    // The page's requests still in flight, and the time since the last one ended.
    NetworkActivity m_network;
    CaptureFlow m_flow;
    QString m_note;
    // Why the injected script or style sheet failed, else empty.
    QString m_injectRemark;
    QElapsedTimer m_stageClock;
    StageTimes m_times;
};
