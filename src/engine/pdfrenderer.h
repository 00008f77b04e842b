#pragma once

#include "pdfwriter.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class CapturePage;
class QWebEngineLoadingInfo;

// The worker behind WritePdfFile: loads the address into a page of its own, prints
// it and deletes itself once `done` has been called. Every wait, the print
// included, ends within the time-out plus a margin; a renderer that dies fails
// the PDF.
class PdfRenderer : public QObject
{
    Q_OBJECT
public:
    PdfRenderer(const QUrl& address, const QString& pdfPath, int timeoutSeconds, QObject* context,
        PdfDoneFn done);

    void start();

private:
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void onTimeout();
    void print();
    void finish(bool ok, const QString& error);

    QUrl m_address;
    QString m_pdfPath;
    int m_timeoutSeconds;
    QPointer<QObject> m_context;
    PdfDoneFn m_done;
    CapturePage* m_page = nullptr;
    QTimer m_timer;
    bool m_timeoutQueried = false;
    bool m_printing = false;
    bool m_finished = false;
};
