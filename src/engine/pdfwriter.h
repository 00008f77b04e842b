#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class QObject;

// Called once with the outcome of WritePdfFile.
using PdfDoneFn = std::function<void(bool ok, const QString& error)>;

// Renders a fresh load of `address` (not the capture) into a PDF at pdfPath: the
// whole page, continued over as many A4 pages as it needs. The file appears whole
// or not at all. A page that fails to load, or does not finish within
// timeoutSeconds and has no document by then, writes nothing; so does a renderer
// that dies, or does not print within timeoutSeconds plus a margin. `done` runs once,
// later, on the calling thread, unless `context` is destroyed first.
void WritePdfFile(const QUrl& address, const QString& pdfPath, int timeoutSeconds, QObject* context,
    PdfDoneFn done);
