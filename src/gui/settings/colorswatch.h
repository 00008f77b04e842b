#pragma once

#include <QColor>
#include <QLabel>

// A small coloured box that shows a colour and reports clicks, so the user can
// pick a colour by clicking the sample as well as through its "..." button.
class ColorSwatch : public QLabel
{
    Q_OBJECT

public:
    explicit ColorSwatch(QWidget* parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor& color);

    // settings.dat keeps colours as Windows colour references: red in the low
    // byte, then green, then blue.
    static QColor fromColorRef(qint64 value);
    static quint32 toColorRef(const QColor& color);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor m_color = Qt::black;
};
