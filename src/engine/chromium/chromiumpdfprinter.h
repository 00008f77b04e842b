#pragma once

#include "captureoptions.h"
#include "pdfwriter.h"

#include <QObject>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>
#include <memory>

class ChromiumBrowser;
class ChromiumPage;
class QJsonObject;

// WritePdfFile on the system's Chromium: loads the address in a page of its own,
// prints it on A4 with 10-mm margins and streams the PDF into its file a piece at
// a time (a long page's PDF is never held whole in one message). Deletes itself
// once `done` has been called; every wait ends within the time-out plus a margin.
class ChromiumPdfPrinter : public QObject
{
    Q_OBJECT
public:
    ChromiumPdfPrinter(ChromiumBrowser* browser, const QUrl& address, const QString& pdfPath,
        int timeoutSeconds, QObject* context, PdfDoneFn done);
    ~ChromiumPdfPrinter() override;

    // What the page's requests carry, and the script and style sheet put into the
    // page before it is printed; before start().
    void setRequestOptions(const CaptureOptions& options) { m_options = options; }
    void start();

private:
    void onEvent(const QString& method, const QJsonObject& params);
    void onTimeout();
    void print();
    // Runs the style sheet and the script asked for in the page, then prints.
    void injectAndPrint();
    void readStream(const QString& handle);
    void finish(bool ok, const QString& error);
    QString writeError(int code) const;

    QPointer<ChromiumBrowser> m_browser;
    std::unique_ptr<ChromiumPage> m_page;
    QUrl m_address;
    QString m_pdfPath;
    int m_timeoutSeconds;
    QPointer<QObject> m_context;
    PdfDoneFn m_done;
    QTimer m_timer;
    QSaveFile m_file;
    int m_httpStatus = 0;
    bool m_navigated = false;
    bool m_askedAfterTimeout = false;
    bool m_printing = false;
    bool m_finished = false;
    CaptureOptions m_options;
};
