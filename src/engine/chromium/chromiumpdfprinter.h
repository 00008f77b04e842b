#pragma once

#include "engine/capture/captureoptions.h"
#include "engine/capture/pdfwriter.h"

#include <QObject>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>
#include <memory>

class ChromiumPage;
class QJsonObject;

// CaptureEngine::printPdf on the system's Chromium: prints the page that was
// loaded and captured, handed over by its capturer (its parent, which outlives
// the job that asked), and streams the PDF into its file a piece at a time (a
// long page's PDF is never held whole in one message). The styles the capture
// changed are put back first, in the capture's own script world. Nothing is
// written once `context` is gone. Deletes itself, and closes the page, once over;
// every wait ends within the time-out plus a margin.
class ChromiumPdfPrinter : public QObject
{
    Q_OBJECT
public:
    ChromiumPdfPrinter(const QString& pdfPath, const PdfOptions& options, int timeoutSeconds,
        QObject* context, PdfDoneFn done, QObject* parent);
    ~ChromiumPdfPrinter() override;

    // Prints `page`; `world` is the script world the capture ran in (0: none). A
    // null page fails the print.
    void print(std::unique_ptr<ChromiumPage> page, int world);

private:
    void onEvent(const QString& method, const QJsonObject& params);
    void printToPdf();
    void readStream(const QString& handle);
    void finish(bool ok, const QString& error);
    QString writeError(int code) const;

    std::unique_ptr<ChromiumPage> m_page;
    QString m_pdfPath;
    PdfOptions m_options;
    int m_timeoutSeconds;
    QPointer<QObject> m_context;
    PdfDoneFn m_done;
    QTimer m_timer;
    QSaveFile m_file;
    bool m_finished = false;
};
