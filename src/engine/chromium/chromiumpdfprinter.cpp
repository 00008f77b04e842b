#include "chromiumpdfprinter.h"

#include "capturescripts.h"
#include "chromiumbrowser.h"
#include "chromiumpage.h"
#include "files/fileerror.h"
#include "loaderror.h"
#include "waitlimits.h"

#include <QJsonObject>
#include <cerrno>

namespace {

// A4 in inches, the unit of the protocol's paper size, and 10-mm margins.
constexpr double A4WidthInches = 210.0 / 25.4;
constexpr double A4HeightInches = 297.0 / 25.4;
constexpr double MarginInches = 10.0 / 25.4;

// The size of each piece of the PDF read from the browser.
constexpr int StreamChunkBytes = 1 << 20;

} // namespace

ChromiumPdfPrinter::ChromiumPdfPrinter(ChromiumBrowser* browser, const QUrl& address,
    const QString& pdfPath, int timeoutSeconds, QObject* context, PdfDoneFn done)
    : m_browser(browser)
    , m_address(address)
    , m_pdfPath(pdfPath)
    , m_timeoutSeconds(timeoutSeconds > 0 ? timeoutSeconds : DefaultTimeoutSeconds)
    , m_context(context)
    , m_done(std::move(done))
    , m_file(pdfPath)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ChromiumPdfPrinter::onTimeout);
}

ChromiumPdfPrinter::~ChromiumPdfPrinter() = default;

void ChromiumPdfPrinter::start()
{
    m_timer.start(int(std::min<qint64>(qint64(m_timeoutSeconds) * 1000, INT_MAX)));
    if (!m_browser) {
        finish(false, tr("No Chromium to print the page in"));
        return;
    }
    QPointer<ChromiumPdfPrinter> self(this);
    m_browser->whenReady([self](const QString& error) {
        if (!self || self->m_finished)
            return;
        if (!error.isEmpty()) {
            self->finish(false, error);
            return;
        }
        if (!self->m_options.fileProblem.isEmpty()) {
            self->finish(false, self->m_options.fileProblem);
            return;
        }
        self->m_page = std::make_unique<ChromiumPage>(self->m_browser);
        self->m_page->setRequestedUrl(self->m_address);
        self->m_page->setRequestOptions(self->m_options);
        connect(self->m_page.get(), &ChromiumPage::event, self, &ChromiumPdfPrinter::onEvent);
        self->m_page->open(1024, 768, [self](const QString& error) {
            if (!self || self->m_finished)
                return;
            if (!error.isEmpty()) {
                self->finish(false, error);
                return;
            }
            self->m_page->send(QStringLiteral("Page.navigate"),
                { { QStringLiteral("url"), self->m_address.toString() } },
                [self](const QJsonObject& result, const QString& error) {
                    if (!self || self->m_finished)
                        return;
                    const QString errorText = result.value(QStringLiteral("errorText")).toString();
                    if (!error.isEmpty() || !errorText.isEmpty())
                        self->finish(
                            false, errorText.isEmpty() ? error : NetworkErrorText(errorText));
                    else
                        self->m_navigated = true;
                });
        });
    });
}

void ChromiumPdfPrinter::onEvent(const QString& method, const QJsonObject& params)
{
    if (m_finished)
        return;
    if (method == QLatin1String("Inspector.targetCrashed")) {
        finish(false, tr("The page's renderer crashed"));
    } else if (method == QLatin1String("Network.responseReceived")) {
        if (params.value(QStringLiteral("type")).toString() == QLatin1String("Document")
            && params.value(QStringLiteral("frameId")).toString() == m_page->frameId())
            m_httpStatus = params.value(QStringLiteral("response"))
                               .toObject()
                               .value(QStringLiteral("status"))
                               .toInt();
    } else if (method == QLatin1String("Page.loadEventFired") && m_navigated && !m_printing) {
        if (m_httpStatus >= 400)
            finish(false, LoadErrorText(m_httpStatus));
        else
            injectAndPrint();
    }
}

void ChromiumPdfPrinter::onTimeout()
{
    const QString timedOut = tr("Timed out after %1 seconds").arg(m_timeoutSeconds);
    if (m_printing || !m_navigated || m_askedAfterTimeout || !m_page) {
        finish(false, timedOut);
        return;
    }
    // A page that never finishes loading is printed as it stands, once parsed.
    m_askedAfterTimeout = true;
    m_timer.start(WaitMarginMs);
    QPointer<ChromiumPdfPrinter> self(this);
    m_page->evaluate(
        CaptureScripts::readyState(), 0, [self, timedOut](const QVariant& state, const QString&) {
            if (!self || self->m_finished || self->m_printing)
                return;
            if (!state.isValid() || state.toString() == QLatin1String("loading"))
                self->finish(false, timedOut);
            else
                self->print();
        });
}

void ChromiumPdfPrinter::injectAndPrint()
{
    if (m_options.injectedStyle.isEmpty() && m_options.injectedScript.isEmpty()) {
        print();
        return;
    }
    m_printing = true;
    m_timer.start(WaitLimitMs(m_timeoutSeconds));
    // As for a picture; a script that fails leaves the page printed as it stands.
    QPointer<ChromiumPdfPrinter> self(this);
    m_page->inject(
        m_options.injectedStyle, m_options.injectedScript, [self](const QString&, const QString&) {
            if (self && !self->m_finished)
                self->print();
        });
}

void ChromiumPdfPrinter::print()
{
    m_printing = true;
    m_timer.start(WaitLimitMs(m_timeoutSeconds));
    if (!m_file.open(QIODevice::WriteOnly)) {
        finish(false, tr("Cannot write %1: %2").arg(m_pdfPath, m_file.errorString()));
        return;
    }
    QPointer<ChromiumPdfPrinter> self(this);
    m_page->send(QStringLiteral("Page.printToPDF"),
        { { QStringLiteral("paperWidth"), A4WidthInches },
            { QStringLiteral("paperHeight"), A4HeightInches },
            { QStringLiteral("marginTop"), MarginInches },
            { QStringLiteral("marginBottom"), MarginInches },
            { QStringLiteral("marginLeft"), MarginInches },
            { QStringLiteral("marginRight"), MarginInches },
            { QStringLiteral("printBackground"), true },
            { QStringLiteral("transferMode"), QStringLiteral("ReturnAsStream") } },
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
            const QString data = result.value(QStringLiteral("data")).toString();
            const QByteArray bytes = result.value(QStringLiteral("base64Encoded")).toBool()
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
    if (m_context && m_done)
        m_done(ok, error);
    deleteLater();
}
