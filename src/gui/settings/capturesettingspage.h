#pragma once

#include "core/settings/settingskeys.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;
class RequestSettingsGroup;

// The "Page" page of the settings dialog: the keys of section "capture" (which
// engine renders, the window a page is laid out in, the scale, the first screen
// only). The options the Qt WebEngine engine cannot honour are greyed, with a
// tooltip saying why, while that engine is the one chosen. The PDF's page setup
// closes the page.
class CaptureSettingsPage : public QWidget
{
    Q_OBJECT

public:
    explicit CaptureSettingsPage(QWidget* parent = nullptr);

    void load(const QString& file);
    // Writes the keys "OK" stores; false, with the reason, at the first key that
    // cannot be written.
    bool save(const QString& file, QString* error) const;
    // Greys what the chosen engine cannot honour.
    void applyEngineRules();
    // The field whose text cannot be stored (a paper or margin that is none), with
    // the reason, or null when all can.
    QWidget* unusableField(QString* problem) const;

private:
    // What OK stores for a key of section "capture".
    QString storedText(Setting setting) const;
    bool qtEngineChosen() const;

    QComboBox* m_engine = nullptr;
    QLineEdit* m_chromium = nullptr;
    QSpinBox* m_width = nullptr;
    QSpinBox* m_height = nullptr;
    QDoubleSpinBox* m_scale = nullptr;
    QCheckBox* m_viewportOnly = nullptr;
    QLineEdit* m_selector = nullptr;
    QLineEdit* m_waitFor = nullptr;
    QSpinBox* m_wait = nullptr;
    QLineEdit* m_hide = nullptr;
    QCheckBox* m_hideCookieBanners = nullptr;
    QLineEdit* m_userAgent = nullptr;
    QComboBox* m_colorScheme = nullptr;
    QComboBox* m_media = nullptr;
    QComboBox* m_pdfPaper = nullptr;
    QCheckBox* m_pdfLandscape = nullptr;
    QLineEdit* m_pdfMargin = nullptr;
    QCheckBox* m_pdfBackground = nullptr;
    QCheckBox* m_pdfHeaderFooter = nullptr;
    RequestSettingsGroup* m_requests = nullptr;
};
