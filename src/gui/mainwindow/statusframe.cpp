#include "gui/mainwindow/statusframe.h"

#include <QLabel>
#include <QVBoxLayout>

StatusFrame::StatusFrame(QWidget* parent)
    : QGroupBox(tr("Status"), parent)
    , m_statusLabel(new QLabel(this))
{
    setObjectName(QStringLiteral("Frame1"));
    m_statusLabel->setObjectName(QStringLiteral("SkinLabel1"));
    m_statusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A status naming a long address is cut at the frame's edge rather than
    // stretching the window.
    m_statusLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->addWidget(m_statusLabel);
}
