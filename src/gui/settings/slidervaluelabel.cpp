#include "gui/settings/slidervaluelabel.h"

#include <QEvent>
#include <QSlider>

SliderValueLabel::SliderValueLabel(QSlider* slider, QWidget* parent)
    : QLabel(parent)
    , m_slider(slider)
{
    setObjectName(slider->objectName() + QStringLiteral("Value"));
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setNum(slider->value());
    setEnabled(slider->isEnabled());
    connect(slider, &QSlider::valueChanged, this, qOverload<int>(&QLabel::setNum));
    slider->installEventFilter(this);
}

QSize SliderValueLabel::sizeHint() const
{
    const qsizetype digits = qMax(
        QString::number(m_slider->minimum()).size(), QString::number(m_slider->maximum()).size());
    const QSize text = QLabel::sizeHint();
    const int widest = fontMetrics().horizontalAdvance(QString(digits, QLatin1Char('0')));
    return QSize(qMax(text.width(), widest + 2 * margin() + 4), text.height());
}

QSize SliderValueLabel::minimumSizeHint() const
{
    return sizeHint();
}

bool SliderValueLabel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_slider && event->type() == QEvent::EnabledChange)
        setEnabled(m_slider->isEnabled());
    return QLabel::eventFilter(watched, event);
}
