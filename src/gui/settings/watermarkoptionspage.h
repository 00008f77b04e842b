#pragma once

#include "core/settings/settingskeys.h"

#include <QColor>
#include <QList>
#include <QWidget>
#include <initializer_list>
#include <utility>

class ColorSwatch;
class QCheckBox;
class RecentFolders;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSlider;

// The "WaterMark Options" page of the settings dialog (section "watermark").
// Its colour pickers and the image "Browse" write their key the moment a
// choice is made; everything else waits for the dialog's "OK".
class WatermarkOptionsPage : public QWidget
{
    Q_OBJECT

public:
    WatermarkOptionsPage(const QString& settingsFile, QWidget* parent = nullptr);

    void load();
    // Writes the keys "OK" stores into `file`; false, with the reason, at the
    // first key that cannot be written.
    bool save(const QString& file, QString* error) const;
    // A watermark switched on that cannot be drawn (no text, no picture, a
    // picture that is missing or unreadable, a place, size or quality that is
    // no number): the control to correct, with the reason; null when both
    // watermarks can work.
    QWidget* unusableWatermark(QString* problem) const;
    // Greys the controls of each watermark whose check box is cleared.
    void applyEnableRules();
    // Where the picture browser opens; it must be set before the page is used.
    void setRecentFolders(RecentFolders* folders) { m_folders = folders; }

signals:
    // A colour or image chosen here could not be written the moment it was chosen.
    void writeFailed(const QString& error);

private:
    // The first box, named as given, whose text is no number.
    QWidget* unusableNumber(
        const QList<std::pair<QLineEdit*, QString>>& boxes, QString* problem) const;
    QWidget* createTextGroup();
    QWidget* createImageGroup();
    QComboBox* createPlaceList(const QString& objectName, QWidget* parent);
    QLineEdit* createBox(const QString& objectName, const QString& text, QWidget* parent);
    static void showZeroWhenEmpty(std::initializer_list<QLineEdit*> boxes);
    void pickColor(ColorSwatch* swatch, Setting setting);
    void browseWatermarkImage();
    void writeAtOnce(Setting setting, const QString& value);
    // What OK stores for a key of section "watermark".
    QString storedText(Setting setting) const;

    QString m_settingsFile;
    RecentFolders* m_folders = nullptr;
    // The colour dialog starts from the colour it last returned in this window.
    QColor m_lastPickedColor = Qt::black;

    QCheckBox* m_textEnabled = nullptr;
    QLineEdit* m_waterText = nullptr;
    QComboBox* m_textPlace = nullptr;
    QLineEdit* m_textX = nullptr;
    QLineEdit* m_textY = nullptr;
    QLineEdit* m_rotate = nullptr;
    QComboBox* m_font = nullptr;
    QLineEdit* m_textSize = nullptr;
    QLineEdit* m_textQuality = nullptr;
    QSlider* m_textTransparency = nullptr;
    ColorSwatch* m_textColor = nullptr;
    QPushButton* m_textColorButton = nullptr;

    QCheckBox* m_imageEnabled = nullptr;
    QLineEdit* m_waterImage = nullptr;
    QPushButton* m_browseImage = nullptr;
    QComboBox* m_imagePlace = nullptr;
    QLineEdit* m_imageX = nullptr;
    QLineEdit* m_imageY = nullptr;
    QSlider* m_opacity = nullptr;
    QSlider* m_deviation = nullptr;
    ColorSwatch* m_transparencyColor = nullptr;
    QPushButton* m_transparencyColorButton = nullptr;
};
