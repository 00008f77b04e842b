#include "gui/mainwindow/statusframe.h"

#include "gui/mainwindow/enginelabel.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>

StatusFrame::StatusFrame(QWidget* parent)
    : QGroupBox(tr("Status"), parent)
    , m_statusLabel(new QLabel(this))
    , m_engineLabel(new EngineLabel(this))
{
    setObjectName(QStringLiteral("Frame1"));
    m_statusLabel->setObjectName(QStringLiteral("SkinLabel1"));
    m_statusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A status naming a long address is cut at the frame's edge rather than
    // stretching the window.
    m_statusLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Sunken);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->addWidget(m_statusLabel, 1);
    layout->addWidget(divider);
    layout->addWidget(m_engineLabel);
}
