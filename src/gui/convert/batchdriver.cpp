#include "gui/convert/batchdriver.h"

#include "core/settings/settingreaders.h"
#include "engine/queue/conversionrequest.h"
#include "engine/queue/conversionresult.h"
#include "engine/queue/conversionservice.h"
#include "gui/app/appcontext.h"
#include "gui/convert/batchview.h"
#include "gui/desktop/urlopener.h"
#include "gui/dialogs/messagepresenter.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace {

// The row states the list shows.
QString processingStatus()
{
    return BatchDriver::tr("Processing");
}

QString okStatus()
{
    return BatchDriver::tr("OK");
}

QString cancelStatus()
{
    return BatchDriver::tr("Cancel");
}

QString failedStatus()
{
    return BatchDriver::tr("Failed");
}

QString notConvertedStatus()
{
    return BatchDriver::tr("Not converted");
}

} // namespace

BatchDriver::BatchDriver(
    BatchView* view, AppContext* context, MessagePresenter* messages, UrlOpener* opener)
    : QObject(view->batchWindow())
    , m_view(view)
    , m_window(view->batchWindow())
    , m_context(context)
    , m_messages(messages)
    , m_opener(opener)
{
    // The labels speak of the batch's pages; once the list is emptied there is
    // nothing left they could be about.
    QAbstractItemModel* rows = view->batchRows();
    auto clearWhenEmpty = [this, rows] {
        if (m_window && m_phase == Phase::Idle && rows->rowCount() == 0)
            setStatusLabels(QString());
    };
    connect(rows, &QAbstractItemModel::modelReset, this, clearWhenEmpty);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, clearWhenEmpty);
}

ConversionService* BatchDriver::service()
{
    if (m_service)
        return m_service;
    m_service = m_context->conversionService();
    // The page in work is known the moment the queue starts it, so that a
    // cancel never takes a started page for a waiting one.
    connect(m_service, &ConversionService::started, this,
        [this](int id, const QString&) { onStarted(id); });
    connect(m_service, &ConversionService::statusText, this, &BatchDriver::onStatusText);
    // Queued, so that a page the queue ends at once (even from inside enqueue)
    // is handled once its id is known here.
    connect(m_service, &ConversionService::finished, this, &BatchDriver::onFinished,
        Qt::QueuedConnection);
    return m_service;
}

BatchDriver::~BatchDriver() = default;

int BatchDriver::raisedProgress(int position, int rowCount)
{
    if (rowCount <= 0)
        return position;
    // Halves go to the even neighbour: with 200 rows each step of 0.5 is lost.
    const double raised = std::nearbyint(position + 100.0 / rowCount);
    return int(std::min(raised, 100.0));
}

QString BatchDriver::completionText(int failedPages, int pages)
{
    QString text = tr("Conversion completed!");
    if (failedPages > 0) {
        text += tr("\n%1 of %2 %3 failed.")
                    .arg(failedPages)
                    .arg(pages)
                    .arg(pages == 1 ? tr("page") : tr("pages"));
    }
    return text;
}

void BatchDriver::start()
{
    if (!m_window)
        return;
    QAbstractItemModel* rows = m_view->batchRows();
    if (rows->rowCount() == 0)
        return;
    if (m_phase == Phase::Running) {
        // No second batch: the running one carries on, the folder opens now.
        m_view->showProgress(false);
        openOutputFolder();
        return;
    }
    if (m_phase != Phase::Idle || !service())
        return; // the end of a batch is being shown

    // The engine the settings name now, also when the file was edited by hand.
    m_context->applyEngineSetting();
    applyPagesAtOnce();
    m_view->showProgress(true);
    m_view->setProgress(0);
    m_view->setBusy(true);
    m_phase = Phase::Running;
    m_cancelRequested = false;
    m_pagesDone = 0;
    m_pagesFailed = 0;
    m_encoderMessageShown = false;
    m_rows.clear();
    m_stopping.clear();
    m_cancelMessageDue = false;
    for (int row = 0; row < rows->rowCount(); ++row) {
        m_rows.append(QPersistentModelIndex(rows->index(row, 0)));
        // A result of an earlier batch would read as this one's.
        m_view->setRowState(row, QString(), QString());
    }
    m_nextRow = 0;
    emit batchStarted();
    issueRows();
}

void BatchDriver::applyPagesAtOnce()
{
    const int pagesAtOnce
        = std::clamp(ReadNumberSetting(m_context->settingsFile(), Setting::PagesAtOnce), 1, 4);
    // One page loading and one being written for each view.
    m_pagesAhead = 2 * pagesAtOnce;
    // The queue's views are only rebuilt while it has nothing in work; a page of
    // the browser window or the scheduler in work keeps the present count.
    if (pagesAtOnce != m_appliedPagesAtOnce && !service()->isBusy()) {
        service()->setParallelPages(pagesAtOnce);
        m_appliedPagesAtOnce = pagesAtOnce;
    }
}

void BatchDriver::issueRows()
{
    if (m_phase != Phase::Running || m_messageOpen)
        return;
    while (m_inFlight.size() < m_pagesAhead) {
        // A row removed since the start has no page to convert.
        while (m_nextRow < m_rows.size() && !m_rows.at(m_nextRow).isValid())
            ++m_nextRow;
        if (m_nextRow >= m_rows.size())
            break;
        submit(m_rows.at(m_nextRow++));
    }
    if (m_inFlight.isEmpty())
        complete();
}

void BatchDriver::submit(const QPersistentModelIndex& row)
{
    ConversionRequest request;
    request.address = m_view->rowAddress(row.row());
    request.applicationFolder = m_context->folders().defaultOutputFolder();
    request.tempFolder = m_context->folders().tempFolder();
    request.settingsFile = m_context->settingsFile();
    const int id = service()->enqueue(request);
    m_jobs.insert(id, row);
    m_inFlight.append(id);
    markHead();
}

void BatchDriver::markHead()
{
    if (!m_inFlight.isEmpty())
        markProcessing(m_inFlight.constFirst());
}

void BatchDriver::markProcessing(int id)
{
    if (m_shownProcessing.contains(id))
        return;
    const QPersistentModelIndex row = m_jobs.value(id);
    if (!row.isValid())
        return;
    m_shownProcessing.insert(id);
    m_view->setProgressTitle(tr("Processing ") + m_view->rowAddress(row.row()));
    markRow(row, processingStatus(), QString());
}

void BatchDriver::onStarted(int id)
{
    if (!m_jobs.contains(id))
        return;
    m_started.insert(id);
    // A page sent ahead shows once the queue works on it.
    if (m_phase == Phase::Running && m_inFlight.contains(id))
        markProcessing(id);
}

void BatchDriver::onStatusText(int id, const QString& text)
{
    // The queue also works for the browser window and the scheduler; their pages'
    // texts are not ours.
    if (!m_jobs.contains(id))
        return;
    setStatusLabels(m_cancelRequested ? tr("User cancel") : text);
}

void BatchDriver::onFinished(int id, const ConversionResult& result)
{
    const auto job = m_jobs.constFind(id);
    if (job == m_jobs.constEnd())
        return;
    const QPersistentModelIndex row = *job;
    m_jobs.erase(job);
    m_started.remove(id);
    m_shownProcessing.remove(id);
    // A page finishing after a cancel has still written its file: its row shows
    // so. A page written with a remark (it never finished loading) keeps it.
    markRow(row, result.ok ? okStatus() : failedStatus(), result.reason);
    if (m_stopping.removeOne(id)) {
        // Cancelled while in work: it counts among what the cancel reports.
        countPage(result);
        if (m_stopping.isEmpty() && m_cancelMessageDue && m_window)
            endCancel(true);
        return;
    }
    const qsizetype position = m_inFlight.indexOf(id);
    if (position < 0 || !m_window)
        return;

    m_inFlight.removeAt(position);
    countPage(result);
    if (!result.ok)
        setStatusLabels(result.reason);
    m_view->setProgress(raisedProgress(m_view->progress(), m_view->batchRows()->rowCount()));
    if (m_phase == Phase::Running)
        markHead();

    // The encoder says what went wrong once; the other rows carry it in their
    // tooltips, so a long batch does not stop at every page for the same box.
    if (!result.encoderMessage.isEmpty() && !m_encoderMessageShown) {
        m_encoderMessageShown = true;
        // Pages still in flight may end while the message is open; the batch
        // goes on (or completes) once it is closed.
        m_messageOpen = true;
        m_messages->critical(m_window, result.encoderMessage);
        m_messageOpen = false;
        if (!m_window)
            return;
    }
    // Cancelled while the message was up.
    if (m_phase != Phase::Running)
        return;
    issueRows();
}

void BatchDriver::countPage(const ConversionResult& result)
{
    ++m_pagesDone;
    if (!result.ok)
        ++m_pagesFailed;
}

void BatchDriver::complete()
{
    m_phase = Phase::Ending;
    m_view->setProgress(100);
    m_view->setProgressTitle(tr("Status"));
    m_view->setBusy(false);
    QString completed = completionText(m_pagesFailed, m_pagesDone);
    // Without a file manager the folder cannot be shown: the message says
    // where the files are.
    const bool folderOpens = m_opener->opensFolders();
    if (!folderOpens)
        completed += QLatin1Char('\n') + filesAreInText();
    // The last page's loading text would read as if the batch were still at
    // work, behind the message too.
    setStatusLabels(QString(completed).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    m_messages->information(m_window, completed);
    if (!m_window)
        return;
    m_view->setProgress(0);
    m_cancelRequested = false;
    m_phase = Phase::Idle;
    m_view->showProgress(false);
    if (folderOpens)
        openOutputFolder();
    emit batchEnded(true);
}

void BatchDriver::cancel()
{
    cancelBatch(true);
}

void BatchDriver::cancelQuietly()
{
    cancelBatch(false);
}

void BatchDriver::cancelBatch(bool withMessage)
{
    // Outside a running batch there is nothing to stop; a finished row keeps
    // its result instead of being marked cancelled.
    if (m_phase != Phase::Running || !m_window)
        return;
    m_phase = Phase::Ending;
    m_cancelRequested = true;
    const QString notReached = tr("Not converted in this run: the batch was cancelled");
    m_stopping.clear();
    for (const int id : std::as_const(m_inFlight)) {
        const QPersistentModelIndex row = m_jobs.value(id);
        // A page still waiting in the queue is taken out. One in work is left
        // to finish: it writes its file and its row shows the result.
        if (m_started.contains(id)) {
            m_stopping.append(id);
            markRow(row, cancelStatus(), QString());
        } else {
            service()->cancelPending(id);
            m_jobs.remove(id);
            markRow(row, notConvertedStatus(), notReached);
        }
        m_shownProcessing.remove(id);
    }
    m_inFlight.clear();
    for (; m_nextRow < m_rows.size(); ++m_nextRow)
        markRow(m_rows.at(m_nextRow), notConvertedStatus(), notReached);
    setStatusLabels(tr("User cancel"));
    // The count is told once the pages in work have ended, so that it is
    // what was really written.
    if (withMessage && !m_stopping.isEmpty()) {
        m_cancelMessageDue = true;
        m_view->setProgressTitle(tr("Cancelling: the page in work is finished first"));
        return;
    }
    endCancel(withMessage);
}

void BatchDriver::endCancel(bool withMessage)
{
    m_cancelMessageDue = false;
    m_view->setProgressTitle(tr("Status"));
    if (withMessage) {
        // A cancel is the user's own choice, not a fault; what was written stays.
        m_messages->information(m_window,
            tr("Cancelled: %1 of %2 pages written")
                .arg(m_pagesDone - m_pagesFailed)
                .arg(m_rows.size()));
        if (!m_window)
            return;
    }
    m_view->setBusy(false);
    m_view->setProgress(0);
    m_view->showProgress(false);
    m_phase = Phase::Idle;
    emit batchEnded(false);
}

void BatchDriver::markRow(
    const QPersistentModelIndex& row, const QString& status, const QString& reason)
{
    if (!row.isValid() || !m_window)
        return;
    m_view->setRowState(row.row(), status, reason);
}

void BatchDriver::setStatusLabels(const QString& text)
{
    // A page's status can carry its whole address; laying out a megabyte of
    // text on every repaint would freeze the window. The labels show one line.
    constexpr int Longest = 1024;
    const QString shown = text.size() > Longest ? text.left(Longest) : text;
    m_view->setStatusText(shown);
}

QString BatchDriver::outputFolder() const
{
    return OutputFolderSetting(
        m_context->settingsFile(), m_context->folders().defaultOutputFolder());
}

QString BatchDriver::filesAreInText() const
{
    return tr("The files are in %1 (no file manager is set up to show the folder).")
        .arg(QDir::toNativeSeparators(outputFolder()));
}

void BatchDriver::openOutputFolder()
{
    // The file manager runs on its own; whether it came up is not the batch's
    // concern, but a desktop without one is told where the files are.
    if (!m_opener->openFolder(outputFolder()))
        m_messages->information(m_window, filesAreInText());
}
