#pragma once

#include <QFrame>
#include <QList>

class ImageButton;

// The strip of image buttons across the top of the main window. At most one
// button carries a border: the one the pointer is over.
class ToolbarStrip : public QFrame
{
    Q_OBJECT
public:
    explicit ToolbarStrip(QWidget* parent = nullptr);

    ImageButton* loadList() const { return m_loadList; }
    ImageButton* addHtmlFiles() const { return m_addHtmlFiles; }
    ImageButton* addUrl() const { return m_addUrl; }
    ImageButton* saveList() const { return m_saveList; }
    ImageButton* convertNow() const { return m_convertNow; }
    ImageButton* settings() const { return m_settings; }
    ImageButton* schedule() const { return m_schedule; }
    ImageButton* help() const { return m_help; }
    ImageButton* exit() const { return m_exit; }

    void highlightOnly(ImageButton* button);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    ImageButton* addButton(const QString& objectName, int kind, const QString& caption);

    QList<ImageButton*> m_buttons;
    ImageButton* m_loadList;
    ImageButton* m_addHtmlFiles;
    ImageButton* m_addUrl;
    ImageButton* m_saveList;
    ImageButton* m_convertNow;
    ImageButton* m_settings;
    ImageButton* m_schedule;
    ImageButton* m_help;
    ImageButton* m_exit;
};
