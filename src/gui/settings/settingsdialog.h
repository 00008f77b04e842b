#pragma once

#include <QDialog>

class GeneralSettingsPage;
class WatermarkOptionsPage;

// The settings dialog: the one editor of settings.dat. Every opening reads the
// file afresh; "OK" writes every key, "Cancel" writes nothing more than the
// colour pickers and the watermark image browser already wrote.
class SettingsDialog : public QDialog
{
    Q_OBJECT

public:
    SettingsDialog(
        const QString& settingsFile, const QString& applicationFolder, QWidget* parent = nullptr);

    // Re-reads the file into every control ("Reload").
    void loadSettings();

signals:
    // Emitted after "OK" has written the file, with the output format saved, so
    // the main window can refresh the format column of its list.
    void outputFormatSaved(const QString& outputFormat);

private:
    void acceptSettings();
    void applySkin();

    QString m_settingsFile;
    QString m_applicationFolder;
    GeneralSettingsPage* m_general = nullptr;
    WatermarkOptionsPage* m_watermark = nullptr;
};
