#pragma once

class QAbstractItemModel;
class QString;
class QWidget;

// What a batch conversion shows while it runs: the rows it converts and their
// states, the progress, the status line and the busy pointer. The window that
// holds the list implements it, so the batch does not depend on its widgets.
class BatchView
{
public:
    virtual ~BatchView() = default;

    // The window the batch belongs to: its messages are shown over it, and the
    // batch ends with it.
    virtual QWidget* batchWindow() = 0;

    // The list of addresses; its rows are the batch's rows.
    virtual QAbstractItemModel* batchRows() = 0;
    virtual QString rowAddress(int row) const = 0;
    // A row's status, with the reason as its tooltip (empty: the list's own).
    virtual void setRowState(int row, const QString& status, const QString& reason) = 0;

    // The progress panel, shown only while a batch runs.
    virtual void showProgress(bool shown) = 0;
    virtual void setProgressTitle(const QString& title) = 0;
    // 0 to 100.
    virtual int progress() const = 0;
    virtual void setProgress(int percent) = 0;

    // The status lines, in the window and in the progress panel.
    virtual void setStatusText(const QString& text) = 0;
    virtual void setBusy(bool busy) = 0;
};
