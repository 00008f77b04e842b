#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>

// Where one page's time went, in seconds, for the benchmarks.
struct StageTimes
{
    double load = 0; // from the request to the document loaded
    double settle = 0; // lazy content, measuring, laying out at the capture size
    double tiles = 0; // scrolling, proving and grabbing every tile
    double intermediate = 0; // "tempimage.bmp", watermarks, the bitmap copy, thumbnail
    double encode = 0; // the final file
    double cleanup = 0; // deleting the intermediate files
};

// How one page ended. A page is ok only when its output file was written.
struct ConversionResult
{
    bool ok = false;
    // Why the page failed; for a page that succeeded with a reservation (it never
    // finished loading and was captured as it stood), that remark.
    QString reason;
    // The address the page was loaded from (after redirections), or the address
    // asked for when the page never loaded.
    QString pageAddress;
    // Every file left in the output folder for this page, the final file last.
    QStringList filesWritten;
    // The image encoder's four-line fault text, empty if none.
    QString encoderMessage;
    // Wall time from the request to the end, in seconds.
    double seconds = 0;
    StageTimes stages;
};

Q_DECLARE_METATYPE(ConversionResult)
