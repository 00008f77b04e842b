#include "engine/chromium/chromiumpdfprinter.h"

#include "core/files/fileerror.h"
#include "engine/capture/capturescripts.h"
#include "engine/capture/waitlimits.h"
#include "engine/chromium/chromiumpage.h"

#include <QJsonObject>
#include <cerrno>

namespace {

constexpr double MmPerInch = 25.4;

// The size of each piece of the PDF read from the browser.
constexpr int StreamChunkBytes = 1 << 20;

} // namespace

ChromiumPdfPrinter::ChromiumPdfPrinter(const QString& pdfPath, const PdfOptions& options,
    int timeoutSeconds, QObject* context, PdfDoneFn done, QObject* parent)
    : QObject(parent)
    , m_pdfPath(pdfPath)
    , m_options(options)
    , m_timeoutSeconds(timeoutSeconds > 0 ? timeoutSeconds : DefaultTimeoutSeconds)
    , m_context(context)
    , m_done(std::move(done))
    , m_file(pdfPath)
{
    setObjectName(PdfPrint::PrinterObjectName);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        finish(false,
            tr("Timed out after %1 seconds while the page was printed").arg(m_timeoutSeconds));
    });
    // Nobody waits for this PDF any more: nothing is written, nothing is said.
    if (context)
        connect(context, &QObject::destroyed, this, [this] {
            m_done = nullptr;
            finish(false, QString());
        });
}

ChromiumPdfPrinter::~ChromiumPdfPrinter() = default;

void ChromiumPdfPrinter::print(std::unique_ptr<ChromiumPage> page, int world)
{
    m_page = std::move(page);
    m_timer.start(WaitLimitMs(m_timeoutSeconds));
    if (!m_page || !m_page->isOpen()) {
        finish(false, tr("The page is gone"));
        return;
    }
    if (!m_context) {
        m_done = nullptr;
        finish(false, QString());
        return;
    }
    connect(m_page.get(), &ChromiumPage::event, this, &ChromiumPdfPrinter::onEvent);
    if (world == 0) {
        printToPdf();
        return;
    }
    // The capture changed the page's styles for its tiles (its body's frame,
    // sticky and fixed elements), kept in its own world: the page is printed as
    // the page lays itself out.
    QPointer<ChromiumPdfPrinter> self(this);
    m_page->evaluate(
        CaptureScripts::restore(0, 0), world, [self](const QVariant&, const QString& error) {
            if (!self || self->m_finished)
                return;
            if (!error.isEmpty())
                self->finish(false, tr("The page could not be printed"));
            else
                self->printToPdf();
        });
}

void ChromiumPdfPrinter::onEvent(const QString& method, const QJsonObject&)
{
    if (method == QLatin1String("Inspector.targetCrashed"))
        finish(false, tr("The page's renderer crashed"));
}

void ChromiumPdfPrinter::printToPdf()
{
    m_timer.start(WaitLimitMs(m_timeoutSeconds));
    if (!m_file.open(QIODevice::WriteOnly)) {
        finish(false, tr("Cannot write %1: %2").arg(m_pdfPath, m_file.errorString()));
        return;
    }
    const QSizeF page = m_options.pageMm();
    const double margin = m_options.marginMm / MmPerInch;
    // The header and footer are drawn inside the top and bottom margins.
    const double edge = m_options.headerFooter
        ? std::max(m_options.marginMm, PdfPrint::HeaderFooterMarginMm) / MmPerInch
        : margin;
    QJsonObject params { { QStringLiteral("paperWidth"), page.width() / MmPerInch },
        { QStringLiteral("paperHeight"), page.height() / MmPerInch },
        { QStringLiteral("marginTop"), edge }, { QStringLiteral("marginBottom"), edge },
        { QStringLiteral("marginLeft"), margin }, { QStringLiteral("marginRight"), margin },
        { QStringLiteral("printBackground"), m_options.background },
        { QStringLiteral("transferMode"), QStringLiteral("ReturnAsStream") } };
    if (m_options.headerFooter) {
        params.insert(QStringLiteral("displayHeaderFooter"), true);
        params.insert(QStringLiteral("headerTemplate"), PdfPrint::HeaderTemplate);
        params.insert(QStringLiteral("footerTemplate"), PdfPrint::FooterTemplate);
    }
    QPointer<ChromiumPdfPrinter> self(this);
    m_page->send(QStringLiteral("Page.printToPDF"), params,
        [self](const QJsonObject& result, const QString& error) {
            if (!self || self->m_finished)
                return;
            const QString handle = result.value(QStringLiteral("stream")).toString();
            if (!error.isEmpty() || handle.isEmpty()) {
                self->finish(false, tr("The page could not be printed"));
                return;
            }
            self->readStream(handle);
        });
}

void ChromiumPdfPrinter::readStream(const QString& handle)
{
    QPointer<ChromiumPdfPrinter> self(this);
    m_page->send(QStringLiteral("IO.read"),
        { { QStringLiteral("handle"), handle }, { QStringLiteral("size"), StreamChunkBytes } },
        [self, handle](const QJsonObject& result, const QString& error) {
            if (!self || self->m_finished)
                return;
            if (!error.isEmpty()) {
                self->finish(false, tr("The page could not be printed"));
                return;
            }
            // A piece of the PDF comes as a bulk payload, kept out of the JSON.
            const QByteArray bulk = self->m_page->bulkBase64();
            const QString data = result.value(QStringLiteral("data")).toString();
            const QByteArray bytes = !bulk.isEmpty() ? QByteArray::fromBase64(bulk)
                : result.value(QStringLiteral("base64Encoded")).toBool()
                ? QByteArray::fromBase64(data.toLatin1())
                : data.toUtf8();
            errno = 0;
            if (self->m_file.write(bytes) != bytes.size()) {
                self->finish(false, self->writeError(errno));
                return;
            }
            // Each piece that arrives shows the browser alive.
            self->m_timer.start(WaitLimitMs(self->m_timeoutSeconds));
            if (!result.value(QStringLiteral("eof")).toBool()) {
                self->readStream(handle);
                return;
            }
            self->m_page->send(
                QStringLiteral("IO.close"), { { QStringLiteral("handle"), handle } });
            // Whoever asked may have gone while the page printed: then nothing stays.
            if (!self->m_context) {
                self->m_done = nullptr;
                self->finish(false, QString());
                return;
            }
            errno = 0;
            if (!self->m_file.commit()) {
                self->finish(false, self->writeError(errno));
                return;
            }
            self->finish(true, QString());
        });
}

QString ChromiumPdfPrinter::writeError(int code) const
{
    // A write cut short (a full disk) is no error to the file engine, which would
    // say "Unknown error"; the system knows why.
    return FileErrorText(QStringLiteral("write"), m_pdfPath,
        code != 0 ? SystemErrorText(code) : m_file.errorString());
}

void ChromiumPdfPrinter::finish(bool ok, const QString& error)
{
    if (m_finished)
        return;
    m_finished = true;
    m_timer.stop();
    if (m_file.isOpen())
        m_file.cancelWriting();
    // The page's target closes with it, before its browser goes.
    if (m_page)
        m_page->disconnect(this);
    if (m_context && m_done)
        m_done(ok, error);
    deleteLater();
}
