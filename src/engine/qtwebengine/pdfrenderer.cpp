#include "engine/qtwebengine/pdfrenderer.h"

#include "core/files/wholefile.h"
#include "engine/capture/capturescripts.h"
#include "engine/capture/waitlimits.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QWebEnginePage>
#include <QWebEngineSettings>

namespace {

// Marks a page handed to a printer that let go of it while its print was pending.
const char* const ReleasedWhilePrinting = "pagelithReleasedWhilePrinting";

int g_pendingPrints = 0;
QPointer<QEventLoop> g_waitingForPrints;

void printAnswered()
{
    --g_pendingPrints;
    if (g_pendingPrints == 0 && g_waitingForPrints)
        g_waitingForPrints->quit();
}

} // namespace

PdfRenderer::PdfRenderer(const QString& pdfPath, const PdfOptions& options, int timeoutSeconds,
    QObject* context, PdfDoneFn done, QObject* parent)
    : QObject(parent)
    , m_pdfPath(pdfPath)
    , m_options(options)
    , m_timeoutSeconds(timeoutSeconds > 0 ? timeoutSeconds : DefaultTimeoutSeconds)
    , m_context(context)
    , m_done(std::move(done))
{
    setObjectName(PdfPrint::PrinterObjectName);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &PdfRenderer::onTimeout);
    // Nobody waits for this PDF any more: nothing is written, nothing is said.
    if (context)
        connect(context, &QObject::destroyed, this, [this] {
            if (!m_finished) {
                m_done = nullptr;
                finish(false, QString());
            }
        });
}

PdfRenderer::~PdfRenderer()
{
    m_finished = true;
    releasePage();
}

void PdfRenderer::waitForPendingPrints(int maxMs)
{
    if (g_pendingPrints > 0) {
        QEventLoop loop;
        g_waitingForPrints = &loop;
        QTimer::singleShot(maxMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void PdfRenderer::printOwnedPage(QWebEnginePage* page)
{
    page->setParent(this);
    m_ownsPage = true;
    // The capture changed the page's styles for its tiles (its body's frame,
    // sticky and fixed elements): the page is printed as the page lays itself out.
    start(page, CaptureScripts::restore(0, 0));
}

void PdfRenderer::printPage(QWebEnginePage* page)
{
    start(page, QStringLiteral("true"));
}

void PdfRenderer::start(QWebEnginePage* page, const QString& firstScript)
{
    m_page = page;
    m_timer.start(WaitLimitMs(m_timeoutSeconds));
    if (!page) {
        finish(false, tr("The page is gone"));
        return;
    }
    if (!m_context) {
        m_done = nullptr;
        finish(false, QString());
        return;
    }
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
        [this] { finish(false, tr("The page's renderer crashed")); });
    // A window's page goes with its window, whatever the print is at.
    connect(page, &QObject::destroyed, this, [this] {
        m_printing = false;
        finish(false, tr("The page was closed before it was printed"));
    });
    // The page's settings reach its renderer a moment later, so the print waits
    // for the answer of a script run after them.
    QWebEngineSettings* settings = page->settings();
    m_savedBackground = settings->testAttribute(QWebEngineSettings::PrintElementBackgrounds);
    settings->setAttribute(QWebEngineSettings::PrintElementBackgrounds, m_options.background);
    QPointer<PdfRenderer> self(this);
    page->runJavaScript(firstScript, [self](const QVariant&) {
        if (self && !self->m_finished && !self->m_printing && self->m_page)
            self->print();
    });
}

void PdfRenderer::print()
{
    m_printing = true;
    // The renderer lays the page out for print: one that hangs there (a script run
    // on "beforeprint", a page too large) is given up on like any other wait.
    m_timer.start(WaitLimitMs(m_timeoutSeconds));
    const QSizeF paper = m_options.paperMm;
    const double margin = m_options.marginMm;
    const QPageLayout layout(
        QPageSize(paper, QPageSize::Millimeter, QString(), QPageSize::ExactMatch),
        m_options.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
        QMarginsF(margin, margin, margin, margin), QPageLayout::Millimeter);
    ++g_pendingPrints;
    QPointer<PdfRenderer> self(this);
    QPointer<QWebEnginePage> page(m_page);
    m_page->printToPdf(
        [self, page](const QByteArray& pdf) {
            printAnswered();
            if (page && page->property(ReleasedWhilePrinting).toBool()) {
                // The printer let go of the page while it printed; it was kept for
                // this answer.
                page->deleteLater();
                return;
            }
            if (self) {
                self->m_printing = false;
                self->onPrinted(pdf);
            }
        },
        layout);
}

void PdfRenderer::onPrinted(const QByteArray& pdf)
{
    if (m_finished)
        return;
    if (pdf.isEmpty()) {
        finish(false, tr("The page could not be printed"));
        return;
    }
    // Whoever asked may have gone while the page printed; then nothing is written.
    if (!m_context) {
        m_done = nullptr;
        finish(false, QString());
        return;
    }
    // Written as every other file is: whole or not at all, and a full disk said so.
    QString error;
    if (!WriteWholeFile(m_pdfPath, pdf, &error)) {
        finish(false, error);
        return;
    }
    finish(true, QString());
}

void PdfRenderer::onTimeout()
{
    if (m_finished)
        return;
    const QString timedOut = tr("Timed out after %1 seconds").arg(m_timeoutSeconds);
    finish(false, m_printing ? timedOut + tr(" while the page was printed") : timedOut);
}

void PdfRenderer::finish(bool ok, const QString& error)
{
    if (m_finished)
        return;
    m_finished = true;
    m_timer.stop();
    // Not from inside the page's own signal or callback, hence the queued call.
    QMetaObject::invokeMethod(
        this,
        [this, ok, error] {
            releasePage();
            if (m_context && m_done)
                m_done(ok, error);
            deleteLater();
        },
        Qt::QueuedConnection);
}

void PdfRenderer::releasePage()
{
    if (!m_page)
        return;
    QWebEnginePage* page = m_page;
    m_page = nullptr;
    disconnect(page, nullptr, this, nullptr);
    if (!m_ownsPage) {
        page->settings()->setAttribute(
            QWebEngineSettings::PrintElementBackgrounds, m_savedBackground);
        return;
    }
    page->setParent(nullptr);
    // The engine cannot take a page away while its print is pending: the print's
    // answer deletes it (see print()).
    if (m_printing)
        page->setProperty(ReleasedWhilePrinting, true);
    else
        page->deleteLater();
}
