#pragma once

#include "engine/output/pagefilewriter.h"
#include "engine/queue/conversionrequest.h"
#include "engine/queue/conversionresult.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <QUrl>
#include <memory>

class CaptureEngine;
class WriteTurns;

// Converts one page into its output files, under the settings as they are when
// the page starts (one snapshot of the settings file): the page is captured (CaptureEngine),
// then its files are written in their documented order (WritePageFiles) on a
// writer thread, while the capturer is already free for the next page.
//
// finished() is emitted exactly once, never from inside start(). A failure at any
// step ends the page with its reason; no half-written or intermediate file stays.
class ConversionJob : public QObject
{
    Q_OBJECT
public:
    // `capturer` is shared so that its view is reused from page to page; when null
    // the job makes a Qt WebEngine capturer of its own. Files are written on `writers` (one thread,
    // so that pages sharing the temporary files take turns); when null, on one writer thread
    // that every such job shares.
    explicit ConversionJob(const ConversionRequest& request, CaptureEngine* capturer = nullptr,
        QThreadPool* writers = nullptr, QObject* parent = nullptr);
    ~ConversionJob() override;

    // Its files wait for turn `turn` of `turns` (see WriteTurns); without, they are
    // written as soon as the page is captured. Call it before start().
    void setWriteTurn(std::shared_ptr<WriteTurns> turns, int turn);
    void start();
    // Nobody waits for the page any more: a writer at work stops within a band of
    // rows and takes back the page's files on its own thread; this never waits for
    // an encoding. A page whose files were all written by then ends normally
    // (finished()); otherwise there is no finished() and the job is to be deleted
    // (which ends a capture). Deleting the job abandons it the same way.
    void abandon();
    const ConversionRequest& request() const { return m_request; }

    // The address a user typed or a list holds, as the engine loads it: an existing
    // local file by its path, anything else as a web address ("example.com" too).
    static QUrl addressToUrl(const QString& address);

signals:
    void finished(const ConversionResult& result);
    void statusText(const QString& text);
    // The capture is over and the capturer is free for another page; this page's
    // files are still being written. Not emitted for a PDF, whose temporary files
    // live until it is printed.
    void captureReleased();

private:
    void begin();
    void onCaptured(const QImage& image);
    void writeFiles(const QString& bodyHtml);
    void submitWriting(PageFilesInput input);
    void endTurn();
    void onFilesWritten(PageFilesOutcome outcome);
    void writePdf(PageFilesOutcome outcome);
    void fail(const QString& reason);
    void finish(ConversionResult result);
    const SettingsSource& settings() const { return m_settings; }
    static QThreadPool* sharedWriters();

    ConversionRequest m_request;
    SettingsSource m_settings;
    CaptureEngine* m_capturer = nullptr;
    std::unique_ptr<CaptureEngine> m_ownCapturer;
    QThreadPool* m_writers = nullptr;
    QFutureWatcher<PageFilesOutcome>* m_writing = nullptr;
    QList<QMetaObject::Connection> m_connections;
    QElapsedTimer m_elapsed;
    bool m_finished = false;
    bool m_captured = false;
    std::shared_ptr<WriteTurns> m_turns;
    int m_turn = 0;

    PageFilesInput m_input;
    QString m_note;
    StageTimes m_times;
};
