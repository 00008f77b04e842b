#pragma once

#include "core/settings/settingskeys.h"

#include <QWidget>

class QCheckBox;
class RecentFolders;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QSlider;
class QSpinBox;

// The "General Settings" page of the settings dialog: output folder, naming,
// output format, browser and thumbnail options (section "set").
class GeneralSettingsPage : public QWidget
{
    Q_OBJECT

public:
    explicit GeneralSettingsPage(QWidget* parent = nullptr);

    // Sets the controls from the file, in the order and with the default rules
    // of the settings store. A stored value a control cannot show leaves it as is.
    void load(const QString& settingsFile, const QString& applicationFolder);
    // Writes every key of section "set", one after the other, in the store's
    // order. False, with the reason, at the first key that cannot be written.
    bool save(const QString& settingsFile, QString* error) const;

    QString fileNameText() const;
    QString outputFormat() const;

    // The batch's "pages at once", a key of section "set" this page loads and
    // saves; the dialog shows it on its second tab, beside the other options
    // that are not about naming or format.
    QWidget* batchGroup() const { return m_batchGroup; }

    // Where the folder browser opens; it must be set before the page is used.
    void setRecentFolders(RecentFolders* folders) { m_folders = folders; }

private:
    void refillFormats();
    // What OK stores for a key of section "set".
    QString storedText(Setting setting) const;
    void browseOutputFolder();
    QWidget* createOutputGroup();
    QWidget* createFormatGroup();
    QWidget* createBrowserGroup();
    QWidget* createThumbnailGroup();
    QWidget* createBatchGroup();

    RecentFolders* m_folders = nullptr;
    QLineEdit* m_outputFolder = nullptr;
    QRadioButton* m_customName = nullptr;
    QRadioButton* m_siteName = nullptr;
    QLineEdit* m_fileName = nullptr;
    QCheckBox* m_dateTime = nullptr;
    QRadioButton* m_addNumber = nullptr;
    QRadioButton* m_overwrite = nullptr;
    QComboBox* m_outputType = nullptr;
    QComboBox* m_outputFormat = nullptr;
    QSlider* m_quality = nullptr;
    QSpinBox* m_timeout = nullptr;
    QSpinBox* m_delay = nullptr;
    QCheckBox* m_scripts = nullptr;
    QCheckBox* m_java = nullptr;
    QCheckBox* m_activeX = nullptr;
    QCheckBox* m_thumbnail = nullptr;
    QComboBox* m_imageSize = nullptr;
    QWidget* m_batchGroup = nullptr;
    QSpinBox* m_pagesAtOnce = nullptr;
};
