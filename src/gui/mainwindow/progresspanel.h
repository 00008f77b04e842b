#pragma once

#include <QFrame>

class ImageButton;
class QGroupBox;
class QLabel;
class QProgressBar;

// The panel the batch shows while it runs: a status line, the overall progress
// (0 to 100) and the cancel button. Hidden while no batch runs. One button: two
// that look alike and behave differently would leave the user guessing.
class ProgressPanel : public QFrame
{
    Q_OBJECT
public:
    explicit ProgressPanel(QWidget* parent = nullptr);

    QGroupBox* frame() const { return m_frame; }
    QLabel* statusLabel() const { return m_statusLabel; }
    QProgressBar* progressBar() const { return m_progressBar; }
    // Cancels and says so.
    ImageButton* cancelButton() const { return m_cancelButton; }

    // The frame's caption. One too long for the panel (a long address) is
    // shortened in its middle, so it never widens the window.
    void setTitle(const QString& title);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitTitle();

    QString m_title;
    QGroupBox* m_frame;
    QLabel* m_statusLabel;
    QProgressBar* m_progressBar;
    ImageButton* m_cancelButton;
};
