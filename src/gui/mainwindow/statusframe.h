#pragma once

#include <QGroupBox>

class QLabel;

// The "Status" frame along the bottom of the main window, with one line of text.
class StatusFrame : public QGroupBox
{
    Q_OBJECT
public:
    explicit StatusFrame(QWidget* parent = nullptr);

    QLabel* statusLabel() const { return m_statusLabel; }

private:
    QLabel* m_statusLabel;
};
