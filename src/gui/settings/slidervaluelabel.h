#pragma once

#include <QLabel>

class QSlider;

// The number a slider is set to, shown beside it: a slider alone does not tell
// the user what was chosen. It is greyed together with its slider.
class SliderValueLabel : public QLabel
{
    Q_OBJECT
public:
    explicit SliderValueLabel(QSlider* slider, QWidget* parent = nullptr);

    // As wide as the widest value, so the slider does not shift as it moves.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSlider* m_slider;
};
