#pragma once

#include "conversionresult.h"

#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>

// Everything a captured page's files are made from, taken on the main thread the
// moment the capture ends, so that the files can be written on any thread while
// the view already loads the next page.
struct PageFilesInput
{
    QString settingsFile;
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
    // The body's HTML, read from the page for the text output.
    QString bodyHtml;
    // Set from another thread when nobody waits for the page any more (its run
    // is being stopped): the writer gives up at its next step, as on a failure.
    std::shared_ptr<std::atomic<bool>> abandoned = std::make_shared<std::atomic<bool>>(false);
};

struct PageFilesOutcome
{
    bool ok = false;
    QString reason;
    QString encoderMessage;
    // Every file this page left in the output folder so far, in order.
    QStringList written;
    // The bitmap copy, deleted at the page's end unless it is the output.
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
//   "tempimage.bmp" -> text, then picture watermark -> bitmap copy -> the final
//   file's name -> thumbnail (named after it) -> the final file -> the bitmap
//   copy deleted unless it is the output ->
//   "tempimage.bmp" and "WEBtemp.htm" deleted, whatever happened.
// A PDF stops before its final file (see PageFilesOutcome::pdfPath). On failure
// nothing this page wrote stays. Touches no QObject: safe on a worker thread, as
// long as no other page uses the same temporary files meanwhile.
PageFilesOutcome WritePageFiles(PageFilesInput input);

// The end of a page whose PDF the caller printed (or failed to): the bitmap copy
// and, on failure, every other file of the page go; the temporary files go.
void FinishPdfPage(const PageFilesInput& input, PageFilesOutcome* outcome);
