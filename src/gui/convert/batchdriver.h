#pragma once

#include <QHash>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QSet>
#include <QWidget>

class AppContext;
class BatchView;
class ConversionService;
class MessagePresenter;
class UrlOpener;
struct ConversionResult;

// Converts a view's list from the first row to the last through the
// application's shared conversion queue, and shows the batch in the view's
// rows, progress and status lines.
//
// The batch keeps a few pages ahead in the queue, two for each page converted
// at once, so that writing one page's files overlaps loading the next, as on
// the command line; it never fills the queue with the whole list, so the
// browser window's and the scheduler's pages wait behind at most those few.
// Nothing waits here: each page's end (the queue's finished signal) submits the
// next row. The rows to convert are fixed when the batch starts; they are held
// as persistent indexes, so a row removed meanwhile is skipped and a row added
// meanwhile is left alone.
class BatchDriver : public QObject
{
    Q_OBJECT
public:
    // The driver belongs to the view's window; the context and the services
    // outlive it. The context's conversion queue is only asked for at the
    // first batch, so a window that never converts never starts the engine.
    BatchDriver(
        BatchView* view, AppContext* context, MessagePresenter* messages, UrlOpener* opener);
    ~BatchDriver() override;

    bool isConverting() const { return m_phase != Phase::Idle; }

    // The progress bar after one more page of `rowCount` rows: the step
    // 100 / rowCount added in floating point and rounded half to even, at most 100.
    static int raisedProgress(int position, int rowCount);
    static QString completionText(int failedPages, int pages);

public slots:
    // "Convert Now!": starts a batch; during a batch, hides the progress panel
    // and opens the output folder while the batch carries on.
    void start();
    // The cancel button with its message, "Cancel Convert" and the tray's entry.
    void cancel();
    // The quiet cancel button.
    void cancelQuietly();

signals:
    void batchStarted();
    // A batch ended: after the completion message and the folder, or at a cancel.
    void batchEnded(bool completed);

private:
    // Ending: the completion or cancel message is up; commands wait for it.
    enum class Phase { Idle, Running, Ending };

    ConversionService* service();
    // Pages at once from the settings, applied to the queue while it is idle.
    void applyPagesAtOnce();
    // Submits rows until the batch has its pages ahead; completes the batch
    // once every row has ended.
    void issueRows();
    void submit(const QPersistentModelIndex& row);
    // The first page in flight is the row the batch is at: it shows as processing
    // even while it waits for the queue.
    void markHead();
    void markProcessing(int id);
    void complete();
    void cancelBatch(bool withMessage);
    // The batch's end after a cancel, with the count of pages written.
    void endCancel(bool withMessage);
    void countPage(const ConversionResult& result);
    void onStarted(int id);
    void onStatusText(int id, const QString& text);
    void onFinished(int id, const ConversionResult& result);
    void markRow(const QPersistentModelIndex& row, const QString& status, const QString& reason);
    void setStatusLabels(const QString& text);
    void openOutputFolder();
    QString outputFolder() const;
    // Where the files are, for a desktop that cannot show the folder.
    QString filesAreInText() const;

    BatchView* m_view;
    // The view's window; the view is gone once this is empty.
    QPointer<QWidget> m_window;
    AppContext* m_context;
    QPointer<ConversionService> m_service;
    MessagePresenter* m_messages;
    UrlOpener* m_opener;

    Phase m_phase = Phase::Idle;
    bool m_cancelRequested = false;
    // The rows this batch converts, fixed at its start.
    QList<QPersistentModelIndex> m_rows;
    int m_nextRow = 0;
    // How many pages of this batch may be in the queue or in work at once.
    int m_pagesAhead = 2;
    // The pages the queue converts at once, as last set here.
    int m_appliedPagesAtOnce = 1;
    // This batch's pages in the queue or in work, in the order they were sent
    // (which is the order they end in).
    QList<int> m_inFlight;
    // Every page of ours the queue still holds, with its row. A page cancelled
    // while in work stays here: it still writes its file and marks its row.
    QHash<int, QPersistentModelIndex> m_jobs;
    // Pages of ours the queue has started.
    QSet<int> m_started;
    // Pages of ours whose rows show "Processing".
    QSet<int> m_shownProcessing;
    // A message of this batch is open: pages that end meanwhile are counted, and
    // the batch goes on once it is closed.
    bool m_messageOpen = false;
    // Pages in work when the batch was cancelled; the cancel's message waits
    // for them (m_cancelMessageDue).
    QList<int> m_stopping;
    bool m_cancelMessageDue = false;
    int m_pagesDone = 0;
    int m_pagesFailed = 0;
    bool m_encoderMessageShown = false;
};
