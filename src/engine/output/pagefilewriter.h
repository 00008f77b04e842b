#pragma once

#include "core/settings/settingssource.h"
#include "engine/queue/conversionresult.h"

#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

// Who ends a page whose files are being written: the writer hands its outcome
// to the job, or, once nobody waits for the page any more, ends it itself and
// leaves nothing of it. Whichever is decided first holds; the job never waits
// for an encoding.
class PageWriteControl
{
public:
    // Nobody waits for the page any more (its run is being stopped): the encoders
    // stop within a band of rows. True when the writer is to end the page itself;
    // false when its outcome was handed over first (its files are whole).
    bool abandon()
    {
        m_stop.store(true);
        int open = Open;
        return m_state.compare_exchange_strong(open, Abandoned) || m_state.load() == Abandoned;
    }
    // For the writer, once its files are whole: true when the caller takes them,
    // false when the page was abandoned first.
    bool handOver()
    {
        int open = Open;
        return m_state.compare_exchange_strong(open, HandedOver) || m_state.load() == HandedOver;
    }
    // Set by abandon(); the encoders and the writer's steps look at it.
    const std::atomic<bool>* stop() const { return &m_stop; }
    bool stopped() const { return m_stop.load(); }

private:
    enum { Open, Abandoned, HandedOver };
    std::atomic<bool> m_stop { false };
    std::atomic<int> m_state { Open };
};

// Everything a captured page's files are made from, taken on the main thread the
// moment the capture ends, so that the files can be written on any thread while
// the view already loads the next page.
struct PageFilesInput
{
    // The page's settings, as they were when it started.
    SettingsSource settings;
    // The output folder (the output folder setting or the caller's override).
    QString outputFolder;
    // The final format by its exact name ("JPG", "PDF", ...); anything else keeps
    // the bitmap copy as the output.
    QString format;
    QString tempImagePath;
    QString tempHtmlPath;
    // The address the page ended on, for names made from it.
    QString pageAddress;
    QDateTime now;
    QImage image;
    // The body's HTML, read from the page for the text output; for Markdown, the
    // page's Markdown; for the archive, the MHTML file.
    QString bodyHtml;
    // Shared by the job and its writer (see PageWriteControl).
    std::shared_ptr<PageWriteControl> control = std::make_shared<PageWriteControl>();
    // Called on the writer's thread, at most once, when the page holds every name
    // it will write under (before its final file is encoded): a page queued after
    // it may take its own names from then on.
    std::function<void()> namesTaken;
};

struct PageFilesOutcome
{
    bool ok = false;
    QString reason;
    QString encoderMessage;
    // Every file this page left in the output folder so far, in order.
    QStringList written;
    // The bitmap copy, when the output is BMP; empty for every other format.
    QString bitmapPath;
    // Every file is written beside its name under a hidden one (first) and moved
    // to its name (second) only when the page succeeds, so a page that fails or a
    // run that is killed leaves no file under the name and every earlier file as
    // it was.
    QList<QPair<QString, QString>> staged;
    // Why the page was written with a reservation (a stamp left out), or empty.
    QString remark;
    // For a PDF: where the caller prints it (its hidden name until the page ends)
    // and the name it ends up with; the caller then ends the page with
    // FinishPdfPage (the bitmap copy and the temporary files are still there).
    QString pdfPath;
    QString pdfFinalPath;
    StageTimes times;
};

// Writes a captured page's files in their documented order:
//   output folder (made when missing) -> bitmap path and its number ->
//   "tempimage.bmp" -> text, then picture watermark -> bitmap copy (for BMP; for
//   every other format "tempimage.bmp" stands for it, in the temporary folder) ->
//   the final file's name -> thumbnail (named after it, claimed as the picture's
//   name is) -> the final file (from "tempimage.bmp") ->
//   "tempimage.bmp" and "WEBtemp.htm" deleted, whatever happened.
// A PDF stops before its final file (see PageFilesOutcome::pdfPath). On failure,
// and when the page is abandoned before its outcome is handed over, nothing this
// page wrote stays. Touches no QObject: safe on a worker thread, as
// long as no other page uses the same temporary files meanwhile.
PageFilesOutcome WritePageFiles(PageFilesInput input);

// The end of a page whose PDF the caller printed (or failed to): the bitmap copy
// and, on failure, every other file of the page go; the temporary files go.
void FinishPdfPage(const PageFilesInput& input, PageFilesOutcome* outcome);
