#pragma once

#include "gui/convert/batchview.h"

#include <QMainWindow>

class MainMenus;
class ProgressPanel;
class StatusFrame;
class ToolbarStrip;
class UrlListWidget;

// The main window: toolbar, batch list, progress panel and status frame under
// the menus. It only holds the controls; CommandRouter decides what they do,
// and the batch shows itself through the BatchView they make up.
class MainWindow : public QMainWindow, public BatchView
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    MainMenus* menus() const { return m_menus; }
    ToolbarStrip* toolbar() const { return m_toolbar; }
    UrlListWidget* urlList() const { return m_urlList; }
    ProgressPanel* progressPanel() const { return m_progressPanel; }
    StatusFrame* statusFrame() const { return m_statusFrame; }

    // With a notification area the window hides there when minimised (unless
    // a modal dialog is open) and its close box only hides it. Without one, hiding would leave the
    // program unreachable: it stays in the task bar and the close box ends the program.
    void setHidesToTray(bool hidesToTray) { m_hidesToTray = hidesToTray; }
    bool hidesToTray() const { return m_hidesToTray; }

    void centreOnScreen();
    // Back from the tray (or the task bar) in its normal state, in front, with
    // a modal dialog that is open in front of it.
    void restoreFromTray();

    // BatchView
    QWidget* batchWindow() override { return this; }
    QAbstractItemModel* batchRows() override;
    QString rowAddress(int row) const override;
    void setRowState(int row, const QString& status, const QString& reason) override;
    void showProgress(bool shown) override;
    void setProgressTitle(const QString& title) override;
    int progress() const override;
    void setProgress(int percent) override;
    void setStatusText(const QString& text) override;
    void setBusy(bool busy) override;

signals:
    // The close box was used where no notification area keeps the program alive.
    void programCloseRequested();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    MainMenus* m_menus;
    ToolbarStrip* m_toolbar;
    UrlListWidget* m_urlList;
    ProgressPanel* m_progressPanel;
    StatusFrame* m_statusFrame;
    bool m_hidesToTray = false;
};
