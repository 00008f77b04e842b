#include "engine/queue/conversionjob.h"

#include "core/app/appinfo.h"
#include "core/settings/outputformats.h"
#include "core/settings/settingreaders.h"
#include "engine/capture/captureoptionsreader.h"
#include "engine/capture/loaderror.h"
#include "engine/capture/markdownscript.h"
#include "engine/capture/waitlimits.h"
#include "engine/output/writeturns.h"
#include "engine/qtwebengine/pagecapturer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QtConcurrent>

ConversionJob::ConversionJob(const ConversionRequest& request, CaptureEngine* capturer,
    QThreadPool* writers, QObject* parent)
    : QObject(parent)
    , m_request(request)
    , m_capturer(capturer)
    , m_writers(writers)
{
    if (!m_capturer) {
        m_ownCapturer = std::make_unique<PageCapturer>();
        m_capturer = m_ownCapturer.get();
    }
    if (!m_writers)
        m_writers = sharedWriters();
    const QString tempFolder
        = m_request.tempFolder.isEmpty() ? m_request.applicationFolder : m_request.tempFolder;
    m_input.tempImagePath
        = AppInfo::pathIn(tempFolder, QString::fromLatin1(AppInfo::TempImageFileName));
    m_input.tempHtmlPath
        = AppInfo::pathIn(tempFolder, QString::fromLatin1(AppInfo::TempHtmlFileName));
}

ConversionJob::~ConversionJob()
{
    endTurn();
    for (const QMetaObject::Connection& c : std::as_const(m_connections))
        disconnect(c);
    // A page captured already has let go of its capturer, which may be on the next
    // page by now.
    if (!m_finished && m_capturer && !m_captured)
        m_capturer->abort();
    if (!m_writing || m_finished)
        return;
    // Nobody will hear of this page. Unless its outcome was handed over first, the
    // writer stops within a band of rows and takes back what it wrote, on its own
    // thread: nothing here waits for it.
    if (m_input.control->abandon())
        return;
    // A PDF not printed yet still holds its bitmap copy and its claimed name; they
    // go on the writer's thread once it has returned, so that they never go
    // under a page written there meanwhile.
    m_writing->future().then(m_writers, [input = m_input](PageFilesOutcome outcome) {
        if (outcome.ok && !outcome.pdfPath.isEmpty()) {
            outcome.ok = false;
            FinishPdfPage(input, &outcome);
        }
    });
}

QThreadPool* ConversionJob::sharedWriters()
{
    // One writer for every job that brings none: pages that share temporary files
    // take turns, and a page abandoned mid-encoding ends there after its job is
    // gone. It lives as long as the application, which waits for it at its end.
    static QPointer<QThreadPool> pool;
    if (!pool) {
        pool = new QThreadPool(QCoreApplication::instance());
        pool->setMaxThreadCount(1);
    }
    return pool;
}

void ConversionJob::abandon()
{
    if (m_finished || !m_writing)
        return;
    // The writer ends the page itself: it stops within a band of rows, and
    // nothing here waits for it.
    if (m_input.control->abandon()) {
        disconnect(m_writing, nullptr, this, nullptr);
        return;
    }
    // Its files were whole first: nothing is encoded any more, they are being
    // moved to their names, and the page is reported as written.
    m_writing->waitForFinished();
    disconnect(m_writing, nullptr, this, nullptr);
    const PageFilesOutcome outcome = m_writing->result();
    if (outcome.ok && outcome.pdfPath.isEmpty())
        onFilesWritten(outcome);
}

QUrl ConversionJob::addressToUrl(const QString& address)
{
    const QString trimmed = address.trimmed();
    const QFileInfo file(trimmed);
    if (file.isAbsolute() && file.exists())
        return QUrl::fromLocalFile(file.absoluteFilePath());
    return QUrl::fromUserInput(trimmed, QDir::currentPath(), QUrl::AssumeLocalFile);
}

void ConversionJob::setWriteTurn(std::shared_ptr<WriteTurns> turns, int turn)
{
    m_turns = std::move(turns);
    m_turn = turn;
}

void ConversionJob::endTurn()
{
    if (const std::shared_ptr<WriteTurns> turns = std::exchange(m_turns, nullptr))
        turns->end(m_turn);
}

void ConversionJob::start()
{
    m_elapsed.start();
    // The answer never arrives inside start(): callers connect first, then start.
    QTimer::singleShot(0, this, &ConversionJob::begin);
}

void ConversionJob::begin()
{
    // One reading of the settings for the whole page: it is named and written
    // under the settings it was captured under, whatever is saved meanwhile.
    m_settings = SettingsSource::snapshot(m_request.settingsFile);
    m_input.settings = m_settings;
    m_connections << connect(
        m_capturer, &CaptureEngine::captured, this, &ConversionJob::onCaptured);
    m_connections << connect(
        m_capturer, &CaptureEngine::failed, this, [this](const QString& reason) { fail(reason); });
    m_connections << connect(
        m_capturer, &CaptureEngine::statusText, this, &ConversionJob::statusText);
    // The picture limit is for pictures: the text and a PDF of a very tall page
    // are made all the same, beside a picture of its top.
    const std::optional<OutputFormat> format = FindOutputFormat(!m_request.formatOverride.isEmpty()
            ? m_request.formatOverride
            : ReadTextSetting(settings(), Setting::OutputFormat));
    m_capturer->setTallPagesCut(format == OutputFormat::Txt || format == OutputFormat::Pdf
        || format == OutputFormat::Md || format == OutputFormat::Mhtml);
    // Any other name makes the bitmap copy the output.
    m_capturer->setPictureFormat(format.value_or(OutputFormat::Bmp));
    if (m_request.convertsView || m_request.view) {
        if (!m_request.view) {
            fail(QStringLiteral("The browser window was closed before its page was converted"));
            return;
        }
        m_capturer->captureView(m_request.view.data());
        return;
    }
    const QUrl url = addressToUrl(m_request.address);
    if (!url.isValid() || m_request.address.trimmed().isEmpty()) {
        fail(QStringLiteral("Not a valid address: %1").arg(m_request.address));
        return;
    }
    // A "javascript:" address would run in the page of the one before.
    if (const QString reason = NotConvertibleReason(url); !reason.isEmpty()) {
        fail(reason);
        return;
    }
    const CaptureOptions options = CaptureOptionsFromSettings(settings());
    if (const QString reason = InputNotAllowedReason(url, options.inputs); !reason.isEmpty()) {
        fail(reason);
        return;
    }
    m_capturer->setOptions(options);
    m_capturer->captureUrl(url, TimeoutSecondsSetting(settings()));
}

void ConversionJob::onCaptured(const QImage& image)
{
    m_captured = true;
    // The capturer may take the next page while this one's files are written.
    for (const QMetaObject::Connection& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_note = m_capturer->note();
    const StageTimes captureTimes = m_capturer->stageTimes();
    m_times.load = captureTimes.load;
    m_times.settle = captureTimes.settle;
    m_times.tiles = captureTimes.tiles;
    const QUrl pageUrl = m_capturer->pageUrl();
    // A view converted as it stands is named after the address its window
    // shows the user (the browser window's address box), which may be typed
    // text the view never loaded; a loaded page after the address it ended on.
    m_input.pageAddress
        = (!pageUrl.isEmpty() && !m_request.view) ? pageUrl.toString() : m_request.address;
    m_input.outputFolder = !m_request.outputFolderOverride.isEmpty()
        ? m_request.outputFolderOverride
        : OutputFolderSetting(settings(), m_request.applicationFolder);
    m_input.format = !m_request.formatOverride.isEmpty()
        ? m_request.formatOverride
        : ReadTextSetting(settings(), Setting::OutputFormat);
    m_input.now = m_request.clock ? m_request.clock() : QDateTime::currentDateTime();
    m_input.image = image;
    const std::optional<OutputFormat> format = FindOutputFormat(m_input.format);
    if (format != OutputFormat::Txt && format != OutputFormat::Md
        && format != OutputFormat::Mhtml) {
        writeFiles(QString());
        return;
    }
    // The text comes from the page as it is now, before the view moves on.
    if (pageUrl.isEmpty()) {
        fail(QStringLiteral("The page is gone"));
        return;
    }
    QPointer<ConversionJob> self(this);
    auto answered = std::make_shared<bool>(false);
    // A renderer that hangs or dies after the capture never answers.
    QTimer::singleShot(WaitLimitMs(TimeoutSecondsSetting(settings())), this, [self, answered] {
        if (!self || self->m_finished || *answered)
            return;
        *answered = true;
        // Its renderer is stuck: the next page must not meet it.
        self->m_capturer->discardPage();
        self->fail(QStringLiteral("The page stopped responding before its text was read"));
    });
    if (format == OutputFormat::Mhtml) {
        m_capturer->readArchive(
            this, [self, answered](const QByteArray& mhtml, const QString& error) {
                if (!self || self->m_finished || *answered)
                    return;
                *answered = true;
                if (mhtml.isEmpty())
                    self->fail(QStringLiteral("The page could not be archived: %1").arg(error));
                else
                    self->writeFiles(QString::fromUtf8(mhtml));
            });
        return;
    }
    if (format == OutputFormat::Md) {
        QString script;
        QString error;
        if (!MarkdownScript::build(ReadFlagSetting(settings(), Setting::MarkdownAll),
                m_capturer->options().consentSelectors, &script, &error)) {
            *answered = true;
            fail(error);
            return;
        }
        m_capturer->readScriptValue(script, this, [self, answered](const QVariant& value) {
            if (!self || self->m_finished || *answered)
                return;
            *answered = true;
            if (value.typeId() != QMetaType::QString)
                self->fail(QStringLiteral("The page's Markdown could not be made"));
            else
                self->writeFiles(value.toString());
        });
        return;
    }
    m_capturer->readBodyHtml(this, [self, answered](const QString& html) {
        if (!self || self->m_finished || *answered)
            return;
        *answered = true;
        self->writeFiles(html);
    });
}

void ConversionJob::writeFiles(const QString& bodyHtml)
{
    m_input.bodyHtml = bodyHtml;
    // The writer holds the one reference to the picture from here on.
    PageFilesInput input = m_input;
    m_input.image = QImage();
    m_input.bodyHtml.clear();
    const bool pdf = FindOutputFormat(m_input.format) == OutputFormat::Pdf;
    if (m_turns) {
        // The page's names are taken when its files are written: pages side by side
        // take them in queue order. The capturer is free meanwhile.
        auto held = std::make_shared<PageFilesInput>(std::move(input));
        m_turns->whenTurn(m_turn, this, [this, held] { submitWriting(std::move(*held)); });
    } else {
        submitWriting(std::move(input));
    }
    if (!pdf && !m_finished)
        emit captureReleased();
}

void ConversionJob::submitWriting(PageFilesInput input)
{
    if (m_turns) {
        // The next page may take its names, and encode beside this one, as soon
        // as this one has taken all of its own. The turns outlive the job: a page
        // abandoned meanwhile still ends its turn, on the main thread.
        input.namesTaken = [turns = m_turns, turn = m_turn] {
            if (QCoreApplication::instance())
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(), [turns, turn] { turns->end(turn); },
                    Qt::QueuedConnection);
        };
    }
    m_writing = new QFutureWatcher<PageFilesOutcome>(this);
    connect(m_writing, &QFutureWatcherBase::finished, this,
        [this] { onFilesWritten(m_writing->result()); });
    m_writing->setFuture(QtConcurrent::run(m_writers,
        [input = std::move(input)]() mutable { return WritePageFiles(std::move(input)); }));
}

void ConversionJob::onFilesWritten(PageFilesOutcome outcome)
{
    m_times.intermediate = outcome.times.intermediate;
    m_times.encode = outcome.times.encode;
    m_times.cleanup = outcome.times.cleanup;
    if (outcome.ok && !outcome.pdfPath.isEmpty()) {
        writePdf(std::move(outcome));
        return;
    }
    ConversionResult result;
    result.ok = outcome.ok;
    if (!outcome.remark.isEmpty())
        m_note = m_note.isEmpty() ? outcome.remark : m_note + QStringLiteral("; ") + outcome.remark;
    result.reason = outcome.ok ? m_note : outcome.reason;
    result.encoderMessage = outcome.encoderMessage;
    result.filesWritten = outcome.written;
    finish(result);
}

void ConversionJob::writePdf(PageFilesOutcome outcome)
{
    // The page printed is the one that was captured (or the one the browser
    // window shows), not a second load of its address.
    if ((m_request.convertsView || m_request.view) && !m_request.view) {
        outcome.ok = false;
        outcome.reason
            = QStringLiteral("The browser window was closed before its page was converted");
        FinishPdfPage(m_input, &outcome);
        onFilesWritten(outcome);
        return;
    }
    emit statusText(QStringLiteral("Printing %1").arg(m_input.pageAddress));
    QElapsedTimer clock;
    clock.start();
    const QString pdfPath = outcome.pdfPath;
    m_capturer->printPdf(pdfPath, PdfOptionsFromSettings(settings()),
        TimeoutSecondsSetting(settings()), this,
        [this, outcome, clock](bool ok, const QString& error) mutable {
            outcome.pdfPath.clear();
            outcome.ok = ok;
            if (ok)
                outcome.written << outcome.pdfFinalPath;
            else
                outcome.reason = QStringLiteral("PDF: %1").arg(error);
            outcome.times.encode = clock.elapsed() / 1000.0;
            FinishPdfPage(m_input, &outcome);
            onFilesWritten(outcome);
        });
}

void ConversionJob::fail(const QString& reason)
{
    ConversionResult result;
    result.ok = false;
    result.reason = reason;
    finish(result);
}

void ConversionJob::finish(ConversionResult result)
{
    if (m_finished)
        return;
    m_finished = true;
    for (const QMetaObject::Connection& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    endTurn();
    result.seconds = m_elapsed.isValid() ? m_elapsed.elapsed() / 1000.0 : 0.0;
    result.stages = m_times;
    result.pageAddress = !m_input.pageAddress.isEmpty()
        ? m_input.pageAddress
        : addressToUrl(m_request.address).toString();
    emit finished(result);
}
