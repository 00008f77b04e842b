#pragma once

#include "engine/capture/captureengine.h"
#include "engine/capture/captureflow.h"
#include "engine/capture/capturesteps.h"
#include "engine/qtwebengine/framewaiter.h"
#include "engine/qtwebengine/loadprogress.h"
#include "engine/queue/conversionresult.h"

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
// old one still reports reaches it. After a page that went well the page is reused;
// if its renderer turns out to have died before the next page came, that page is
// loaded again in a fresh one.
//
// The capture itself, once the page is loaded, is a CaptureFlow over this view.
class PageCapturer : public CaptureEngine, private CaptureSteps
{
    Q_OBJECT
public:
    explicit PageCapturer(QObject* parent = nullptr);
    ~PageCapturer() override;

    void captureUrl(const QUrl& url, int timeoutSeconds) override;
    void captureView(QWebEngineView* view) override;

    // Ends the capture in progress without a signal.
    void abort() override;
    // Drops the page of the latest capture, which went well but stopped answering
    // afterwards (while its text was read): the next capture starts in a fresh page.
    void discardPage() override;
    bool isBusy() const;

    // The page of the latest capture, still showing it: the text and PDF outputs
    // read the body and the address from here.
    QWebEnginePage* page() const;
    // A remark on a capture that succeeded with a reservation, else empty.
    QString note() const override;
    // Where the latest capture's time went: load, settle and tiles.
    StageTimes stageTimes() const override { return m_times; }
    QUrl pageUrl() const override;
    void readBodyHtml(QObject* context, std::function<void(const QString& html)> then) override;
    void readArchive(QObject* context,
        std::function<void(const QByteArray& mhtml, const QString& error)> then) override;
    void readScriptValue(const QString& script, QObject* context,
        std::function<void(const QVariant& value)> then) override;
    void printPdf(const QString& pdfPath, const PdfOptions& options, int timeoutSeconds,
        QObject* context, PdfDoneFn done) override;

    // Width of the view a page is laid out in before it is measured.
    static constexpr int LayoutWidth = 1024;
    static constexpr int LayoutHeight = 768;

private:
    enum class State { Idle, Loading, Capturing };
    void ensureOwnView();
    void replaceOwnPage();
    // Loads `url` again in a fresh page of the capturer's own view; the load's
    // time-out runs on.
    void loadOnFreshPage(const QUrl& url);
    void attach(QWebEngineView* view);
    void detach();
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void onLoadFinished(bool ok);
    void onLoadVerdict(const LoadProgress::Verdict& verdict);
    void onLoadSucceeded();
    void onLoadTimeout();
    void startCapture();
    void finish(const QImage& image);
    void fail(const QString& reason);
    // Ends the capture now and fails it from the event loop.
    void failSoon(const QString& reason);
    // Whether the view of the capture has gone (its window was closed); the
    // capture is then failed.
    bool viewIsGone();
    void restoreView();

    void runScript(const QString& script, std::function<void(const QVariant&)> then) override;
    void whenPainted(std::function<void()> then) override;
    void grabView(std::function<void(const QImage&)> then) override;
    void resizeView(const QSize& size) override;

    State m_state = State::Idle;
    // The page was loaded for its capture (the options apply), not a view captured
    // as it stands; the size of the window it is laid out in.
    bool m_loadedHere = false;
    QSize m_layoutSize { LayoutWidth, LayoutHeight };
    std::unique_ptr<QWebEngineView> m_ownView;
    QPointer<QWebEngineView> m_view;
    bool m_external = false;
    // The address being loaded into a page that showed another before, until that
    // page's first renderer crash.
    QUrl m_crashRetryUrl;
    QList<QMetaObject::Connection> m_connections;

    QTimer m_loadTimer;
    // Gives up a page whose renderer takes more than MaxRendererBytes.
    QTimer m_memoryWatch;
    FrameWaiter m_frames;
    int m_timeoutSeconds = 0;
    int m_generation = 0;

    LoadProgress m_load;
    QString m_note;
    CaptureFlow m_flow;
    QElapsedTimer m_stageClock;
    StageTimes m_times;

    QSize m_savedSize;
    QPoint m_savedPos;
    QPoint m_savedScroll;
};
