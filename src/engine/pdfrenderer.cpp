#include "pdfrenderer.h"

#include "capturepage.h"
#include "capturescripts.h"
#include "files/wholefile.h"
#include "loaderror.h"
#include "waitlimits.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QWebEngineLoadingInfo>
#include <QWebEngineSettings>

void WritePdfFile(const QUrl& address, const QString& pdfPath, int timeoutSeconds, QObject* context,
    PdfDoneFn done)
{
    auto* renderer = new PdfRenderer(address, pdfPath, timeoutSeconds, context, std::move(done));
    renderer->start();
}

PdfRenderer::PdfRenderer(const QUrl& address, const QString& pdfPath, int timeoutSeconds,
    QObject* context, PdfDoneFn done)
    : m_address(address)
    , m_pdfPath(pdfPath)
    , m_timeoutSeconds(timeoutSeconds > 0 ? timeoutSeconds : 60)
    , m_context(context)
    , m_done(std::move(done))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &PdfRenderer::onTimeout);
}

void PdfRenderer::start()
{
    m_page = new CapturePage(this);
    m_page->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
    connect(m_page, &QWebEnginePage::loadingChanged, this, &PdfRenderer::onLoadingChanged);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
        [this] { finish(false, tr("The page's renderer crashed")); });
    m_timer.start(int(std::min<qint64>(qint64(m_timeoutSeconds) * 1000, INT_MAX)));
    m_page->load(m_address);
}

void PdfRenderer::onLoadingChanged(const QWebEngineLoadingInfo& info)
{
    if (m_printing || m_finished)
        return;
    const bool httpError = info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain
        && info.errorCode() >= 400;
    if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus
        || (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus
            && (httpError || info.isErrorPage()))) {
        finish(false, LoadErrorText(info));
        return;
    }
    if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus
        && m_page->url() != QUrl(QStringLiteral("about:blank")))
        print();
}

void PdfRenderer::onTimeout()
{
    if (m_finished)
        return;
    const QString timedOut = tr("Timed out after %1 seconds").arg(m_timeoutSeconds);
    if (m_printing) {
        finish(false, timedOut + tr(" while the page was printed"));
        return;
    }
    if (m_timeoutQueried) {
        // Not even the question below was answered: the renderer is stuck.
        finish(false, timedOut);
        return;
    }
    m_timeoutQueried = true;
    m_timer.start(WaitMarginMs);
    // As with the capture: a page that keeps loading for ever but has its document
    // is printed as it stands; one that never answered has nothing to print.
    QPointer<PdfRenderer> self(this);
    m_page->runJavaScript(CaptureScripts::readyState(), [this, self](const QVariant& state) {
        if (!self || m_printing || m_finished)
            return;
        m_page->triggerAction(QWebEnginePage::Stop);
        if (state.toString() == QLatin1String("loading")
            || m_page->url() == QUrl(QStringLiteral("about:blank"))) {
            finish(false, tr("Timed out after %1 seconds").arg(m_timeoutSeconds));
            return;
        }
        print();
    });
}

void PdfRenderer::print()
{
    m_printing = true;
    // The renderer lays the page out for print: one that hangs there (a script run
    // on "beforeprint", a page too large) is given up on like any other wait.
    m_timer.start(WaitLimitMs(m_timeoutSeconds));
    QPointer<PdfRenderer> self(this);
    const QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
        QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    m_page->printToPdf(
        [this, self](const QByteArray& pdf) {
            if (!self || m_finished)
                return;
            if (pdf.isEmpty()) {
                finish(false, tr("The page could not be printed"));
                return;
            }
            // Written as every other file is: whole or not at all, and a full
            // disk said so.
            QString error;
            if (!WriteWholeFile(m_pdfPath, pdf, &error)) {
                finish(false, error);
                return;
            }
            finish(true, QString());
        },
        layout);
}

void PdfRenderer::finish(bool ok, const QString& error)
{
    if (m_finished)
        return;
    m_finished = true;
    m_timer.stop();
    if (m_printing && !ok && m_page) {
        // The engine cannot take a page away while its print is still pending: it
        // stops the whole program. The page stays, hidden and unused, until it
        // answers or the program ends.
        m_page->setParent(nullptr);
        connect(m_page, &QWebEnginePage::pdfPrintingFinished, m_page, &QObject::deleteLater);
        m_page = nullptr;
    }
    // The page goes before the outcome is reported: a caller that ends the
    // program on it would otherwise release the browser profile while the page
    // still waits for a deferred delete that never comes. Not from inside the
    // page's own signal or callback, hence the queued call.
    QMetaObject::invokeMethod(
        this,
        [this, ok, error] {
            delete m_page;
            m_page = nullptr;
            if (m_context && m_done)
                m_done(ok, error);
            deleteLater();
        },
        Qt::QueuedConnection);
}
