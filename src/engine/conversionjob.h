#pragma once

#include "conversionrequest.h"
#include "conversionresult.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <memory>

class PageCapturer;

// Converts one page into its output files, reading every setting from the
// settings file at the moment it is needed:
//   capture the page (PageCapturer) -> output folder (created when missing) ->
//   bitmap path and its number -> "tempimage.bmp" in the temporary folder ->
//   text, then picture watermark -> bitmap copy -> thumbnail -> the final file by
//   the exact-case format ("JPG", "GIF", "TIFF", "PNG", "PDF", "TXT"; anything else
//   keeps the bitmap) -> the bitmap copy deleted unless it is the output ->
//   "tempimage.bmp" and "WEBtemp.htm" deleted, whatever happened.
//
// finished() is emitted exactly once, never from inside start(). A failure at any
// step ends the page with its reason; no half-written or intermediate file stays.
class ConversionJob : public QObject
{
    Q_OBJECT
public:
    // `capturer` is shared so that its view is reused from page to page; when null
    // the job makes its own.
    explicit ConversionJob(const ConversionRequest& request, PageCapturer* capturer = nullptr,
        QObject* parent = nullptr);
    ~ConversionJob() override;

    void start();
    const ConversionRequest& request() const { return m_request; }

    // The address a user typed or a list holds, as the engine loads it: an existing
    // local file by its path, anything else as a web address ("example.com" too).
    static QUrl addressToUrl(const QString& address);

signals:
    void finished(const ConversionResult& result);
    void statusText(const QString& text);

private:
    void begin();
    void onCaptured(const QImage& image);
    bool writeImageFiles(const QImage& image);
    void writeFinalFile();
    void writeText();
    void writePdf();
    void succeed();
    void fail(const QString& reason, const QString& encoderMessage = QString());
    void finish(ConversionResult result);
    QString settingsFile() const { return m_request.settingsFile; }

    ConversionRequest m_request;
    PageCapturer* m_capturer = nullptr;
    std::unique_ptr<PageCapturer> m_ownCapturer;
    QList<QMetaObject::Connection> m_connections;
    QElapsedTimer m_elapsed;
    bool m_finished = false;

    QString m_pageAddress;
    QString m_note;
    QString m_tempImagePath;
    QString m_tempHtmlPath;
    QString m_bitmapPath;
    QString m_outputPath;
    bool m_addNumber = true;
    int m_quality = 0;
    bool m_keepBitmap = false;
    QImage m_capture;
    bool m_stamped = false;
    QStringList m_written;
};
