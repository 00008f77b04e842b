#include "gui/mainwindow/progresspanel.h"

#include "gui/mainwindow/toolbaricons.h"
#include "gui/widgets/imagebutton.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

ProgressPanel::ProgressPanel(QWidget* parent)
    : QFrame(parent)
    , m_frame(new QGroupBox(tr("Status"), this))
    , m_statusLabel(new QLabel(m_frame))
    , m_progressBar(new QProgressBar(m_frame))
    , m_cancelButton(
          new ImageButton(ToolbarIcons::pixmap(ToolbarIcons::Kind::Cancel, 24), QString(), m_frame))
{
    setObjectName(QStringLiteral("Picture6"));
    m_frame->setObjectName(QStringLiteral("Frame2"));
    m_statusLabel->setObjectName(QStringLiteral("SkinLabel6"));
    m_progressBar->setObjectName(QStringLiteral("prgTotalProgress"));
    m_cancelButton->setObjectName(QStringLiteral("Image9"));

    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_statusLabel->setWordWrap(false);
    // The page's status can be as long as its address; it is cut at the
    // panel's edge rather than stretching the window. So is the frame.
    m_statusLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_frame->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_statusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_cancelButton->setToolTip(tr("Cancel Convert"));

    auto* row = new QHBoxLayout;
    row->addWidget(m_progressBar, 1);
    row->addWidget(m_cancelButton);

    auto* frameLayout = new QVBoxLayout(m_frame);
    frameLayout->addWidget(m_statusLabel);
    frameLayout->addLayout(row);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_frame);
    setTitle(m_frame->title());
}

void ProgressPanel::setTitle(const QString& title)
{
    m_title = title;
    fitTitle();
}

void ProgressPanel::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    fitTitle();
}

void ProgressPanel::fitTitle()
{
    // Measuring a text costs as much as its length; no caption needs more than
    // a few screens' width.
    constexpr int Longest = 2048;
    const QString title = m_title.size() > Longest ? m_title.left(Longest) : m_title;
    const int room = qMax(60, width() - 40);
    m_frame->setTitle(m_frame->fontMetrics().elidedText(title, Qt::ElideMiddle, room));
}
