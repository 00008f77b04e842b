#include "gui/settings/colorswatch.h"

#include <QMouseEvent>

ColorSwatch::ColorSwatch(QWidget* parent)
    : QLabel(parent)
{
    setFixedSize(40, 20);
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    setColor(Qt::black);
}

void ColorSwatch::setColor(const QColor& color)
{
    m_color = color;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, color);
    setPalette(pal);
}

QColor ColorSwatch::fromColorRef(qint64 value)
{
    const auto ref = static_cast<quint32>(value & 0xFFFFFF);
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

quint32 ColorSwatch::toColorRef(const QColor& color)
{
    return quint32(color.red()) | (quint32(color.green()) << 8) | (quint32(color.blue()) << 16);
}

void ColorSwatch::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    // A disabled widget gets no mouse events, so a greyed swatch stays inert.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}
