#pragma once

#include <QGroupBox>

class EngineLabel;
class QLabel;

// The "Status" frame along the bottom of the main window: one line of text and,
// at its right end, the engine that converts.
class StatusFrame : public QGroupBox
{
    Q_OBJECT
public:
    explicit StatusFrame(QWidget* parent = nullptr);

    QLabel* statusLabel() const { return m_statusLabel; }
    EngineLabel* engineLabel() const { return m_engineLabel; }

private:
    QLabel* m_statusLabel;
    EngineLabel* m_engineLabel;
};
