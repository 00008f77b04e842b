#pragma once

#include <QFrame>

class QLabel;

// A picture with an optional caption under it that acts as a button. The
// toolbar draws a border around the one the pointer is over; the border is
// only ever set from outside (see ToolbarStrip).
class ImageButton : public QFrame
{
    Q_OBJECT
public:
    ImageButton(const QPixmap& picture, const QString& caption, QWidget* parent = nullptr);

    QString caption() const;
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted);

signals:
    void clicked();
    void hovered();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QLabel* m_picture;
    QLabel* m_caption;
    QPixmap m_pixmap;
    bool m_highlighted = false;
    bool m_pressed = false;
};
