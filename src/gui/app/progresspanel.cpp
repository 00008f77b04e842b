#include "progresspanel.h"

#include "app/imagebutton.h"
#include "app/toolbaricons.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

ProgressPanel::ProgressPanel(QWidget* parent)
    : QFrame(parent)
    , m_frame(new QGroupBox(QStringLiteral("Status"), this))
    , m_statusLabel(new QLabel(m_frame))
    , m_progressBar(new QProgressBar(m_frame))
    , m_cancelButton(
          new ImageButton(ToolbarIcons::pixmap(ToolbarIcons::Kind::Cancel, 24), QString(), m_frame))
    , m_quietCancelButton(
          new ImageButton(ToolbarIcons::pixmap(ToolbarIcons::Kind::Stop, 24), QString(), m_frame))
{
    setObjectName(QStringLiteral("Picture6"));
    m_frame->setObjectName(QStringLiteral("Frame2"));
    m_statusLabel->setObjectName(QStringLiteral("SkinLabel6"));
    m_progressBar->setObjectName(QStringLiteral("prgTotalProgress"));
    m_cancelButton->setObjectName(QStringLiteral("Image9"));
    m_quietCancelButton->setObjectName(QStringLiteral("Image11"));

    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_statusLabel->setWordWrap(false);
    m_statusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_cancelButton->setToolTip(QStringLiteral("Cancel Convert"));
    m_quietCancelButton->setToolTip(QStringLiteral("Cancel Convert"));

    auto* row = new QHBoxLayout;
    row->addWidget(m_progressBar, 1);
    row->addWidget(m_cancelButton);
    row->addWidget(m_quietCancelButton);

    auto* frameLayout = new QVBoxLayout(m_frame);
    frameLayout->addWidget(m_statusLabel);
    frameLayout->addLayout(row);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_frame);
}
