#pragma once

#include "engine/capture/captureoptions.h"
#include "engine/capture/pdfwriter.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QWebEnginePage;

// Prints a page that was loaded and captured (Qt WebEngine) into a PDF, as
// CaptureEngine::printPdf promises: the styles the capture changed are put back
// first, the file is written whole or not at all, and nothing is written once the
// `context` that asked for it is gone. Every wait, the print included, ends within
// the time-out plus a margin; a renderer that dies fails the PDF.
//
// Its parent is the capturer whose page it prints, which outlives the job that
// asked. A page handed over (printOwnedPage) goes with the print; the engine
// cannot take a page away while its print is pending, so such a page waits for
// the print's answer, even when the printer went first.
class PdfRenderer : public QObject
{
    Q_OBJECT
public:
    PdfRenderer(const QString& pdfPath, const PdfOptions& options, int timeoutSeconds,
        QObject* context, PdfDoneFn done, QObject* parent);
    ~PdfRenderer() override;

    // Prints `page`, which now belongs to the printer.
    void printOwnedPage(QWebEnginePage* page);
    // Prints `page`, which stays its owner's (a browser window's view).
    void printPage(QWebEnginePage* page);

    // Runs the event loop until every print in the program has had its answer,
    // for at most `maxMs`, then deletes what waited for a deferred delete: the
    // program does this before the engine's profile goes, which would otherwise
    // find pages still there.
    static void waitForPendingPrints(int maxMs);

private:
    // Runs `firstScript` in the page, then prints it.
    void start(QWebEnginePage* page, const QString& firstScript);
    void print();
    void onPrinted(const QByteArray& pdf);
    void onTimeout();
    void finish(bool ok, const QString& error);
    void releasePage();

    QString m_pdfPath;
    PdfOptions m_options;
    int m_timeoutSeconds;
    QPointer<QObject> m_context;
    PdfDoneFn m_done;
    QPointer<QWebEnginePage> m_page;
    bool m_ownsPage = false;
    bool m_savedBackground = true;
    QTimer m_timer;
    bool m_printing = false;
    bool m_finished = false;
};
