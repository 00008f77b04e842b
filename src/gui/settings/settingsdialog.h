#pragma once

#include <QDialog>
#include <memory>

class CaptureSettingsPage;
class GeneralSettingsPage;
class MessagePresenter;
class QScrollArea;
class QTabWidget;
class RecentFolders;
class WatermarkOptionsPage;

// The settings dialog: the one editor of settings.dat. Every opening reads the
// file afresh; "OK" writes every key, "Cancel" writes nothing more than the
// colour pickers and the watermark image browser already wrote.
class SettingsDialog : public QDialog
{
    Q_OBJECT

public:
    // Without a presenter the dialog shows its message box itself.
    SettingsDialog(const QString& settingsFile, const QString& applicationFolder,
        MessagePresenter* messages = nullptr, QWidget* parent = nullptr);
    ~SettingsDialog() override;

    // Re-reads the file into every control ("Reload").
    void loadSettings();
    // The application's memory of where file dialogs ended; without it the
    // dialog remembers for as long as it is open.
    void setRecentFolders(RecentFolders* folders);

signals:
    // Emitted after "OK" has written the file, with the output format saved, so
    // the main window can refresh the format column of its list.
    void outputFormatSaved(const QString& outputFormat);

private:
    void acceptSettings();
    QScrollArea* scrolled(QWidget* page);
    // The first size: what the tabs want, within the screen.
    void fitOnScreen();
    // The tab with a field to correct, scrolled to it, with the focus in it.
    void showField(int tab, QWidget* field);
    // Writes every page's keys in one atomic write of the file; false with the reason.
    bool saveAll(QString* error) const;

    QString m_settingsFile;
    QString m_applicationFolder;
    std::unique_ptr<MessagePresenter> m_ownMessages;
    MessagePresenter* m_messages = nullptr;
    std::unique_ptr<RecentFolders> m_ownFolders;
    QTabWidget* m_tabs = nullptr;
    GeneralSettingsPage* m_general = nullptr;
    WatermarkOptionsPage* m_watermark = nullptr;
    CaptureSettingsPage* m_capture = nullptr;
};
