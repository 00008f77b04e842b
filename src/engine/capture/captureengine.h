#pragma once

#include "core/settings/outputformats.h"
#include "engine/capture/captureoptions.h"
#include "engine/capture/pdfwriter.h"
#include "engine/queue/conversionresult.h"

#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <functional>

class QWebEngineView;

// One engine's way of turning a web page into one image of the whole page, as the
// conversion job drives it: PageCapturer on Qt WebEngine, ChromiumCapturer on the
// system's Chromium.
//
// captureUrl() loads an address and captures it; captureView() (Qt WebEngine only)
// captures what an existing view shows. Either answers exactly once,
// asynchronously: captured(image) or failed(reason). The page of the latest capture
// stays open for its text until the next capture or discardPage().
class CaptureEngine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The options of the captures that follow (captureUrl only: a view is captured
    // as it stands).
    void setOptions(const CaptureOptions& options) { m_options = options; }
    const CaptureOptions& options() const { return m_options; }

    virtual void captureUrl(const QUrl& url, int timeoutSeconds) = 0;
    virtual void captureView(QWebEngineView* view);
    // Ends the capture in progress without a signal.
    virtual void abort() = 0;
    // Drops the page of the latest capture, which went well but stopped answering
    // afterwards: the next capture starts in a fresh page.
    virtual void discardPage() = 0;

    // A remark on a capture that succeeded with a reservation, else empty.
    virtual QString note() const = 0;
    // Where the latest capture's time went: load, settle and tiles.
    virtual StageTimes stageTimes() const = 0;
    // The address the latest page ended on (after redirections); empty when none.
    virtual QUrl pageUrl() const = 0;
    // Calls `then` with the body's HTML of the latest page, unless `context` goes
    // first. It may never answer when the page's renderer is stuck: callers bound
    // the wait.
    virtual void readBodyHtml(QObject* context, std::function<void(const QString& html)> then) = 0;
    // The same for the value of `script` in the latest page, run in a world apart
    // from the page's own scripts (which cannot change what it sees of the DOM's
    // functions); an exception gives an invalid value.
    // The latest page as one MHTML file, as it stands (its pictures, styles and
    // frames inside, its scripts not run again), or an empty array and the reason;
    // same terms as readBodyHtml.
    virtual void readArchive(
        QObject* context, std::function<void(const QByteArray& mhtml, const QString& error)> then)
        = 0;
    virtual void readScriptValue(
        const QString& script, QObject* context, std::function<void(const QVariant& value)> then)
        = 0;
    // Prints the page of the latest capture, as it was captured (what the capture
    // hid stays hidden, the page is not loaded again), into a PDF at `pdfPath`,
    // continued over as many pages as it needs. The page goes to the print: the
    // next capture starts in a fresh page. The file appears whole or not at all; a
    // renderer that dies, or does not print within timeoutSeconds plus a margin,
    // writes nothing. `done` runs once, later, on the calling thread, unless
    // `context` is destroyed first: then nothing is written at all.
    virtual void printPdf(const QString& pdfPath, const PdfOptions& options, int timeoutSeconds,
        QObject* context, PdfDoneFn done)
        = 0;

    // For an output whose product is not the picture (the text, a PDF): a page
    // too tall for one picture is captured as far as one holds, with a remark,
    // instead of failing. Kept from one capture to the next.
    void setTallPagesCut(bool cut) { m_tallPagesCut = cut; }
    bool tallPagesCut() const { return m_tallPagesCut; }
    // The format the picture is written in, whose size limit the capture is held
    // to from its first measure. Kept from one capture to the next.
    void setPictureFormat(OutputFormat format) { m_pictureFormat = format; }
    OutputFormat pictureFormat() const { return m_pictureFormat; }

signals:
    void captured(const QImage& image);
    void failed(const QString& reason);
    // The browser's status: loading, capturing, hovered links.
    void statusText(const QString& text);

protected:
    CaptureOptions m_options;

private:
    bool m_tallPagesCut = false;
    OutputFormat m_pictureFormat = OutputFormat::Bmp;
};
