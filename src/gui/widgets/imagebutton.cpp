#include "gui/widgets/imagebutton.h"

#include <QEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QStyle>
#include <QVBoxLayout>

ImageButton::ImageButton(const QPixmap& picture, const QString& caption, QWidget* parent)
    : QFrame(parent)
    , m_picture(new QLabel(this))
    , m_caption(new QLabel(caption, this))
    , m_pixmap(picture)
{
    setFrameShape(QFrame::NoFrame);
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
    setProperty("highlighted", false);
    // Reached with Tab like any other button, and pressed with Space or Enter.
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(caption);

    m_picture->setPixmap(picture);
    m_picture->setAlignment(Qt::AlignCenter);
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setObjectName(QStringLiteral("imageButtonCaption"));
    m_caption->setVisible(!caption.isEmpty());
    // The labels must not swallow the pointer, or the button would never see it.
    m_picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_caption->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 3, 4, 3);
    layout->setSpacing(2);
    layout->addWidget(m_picture);
    layout->addWidget(m_caption);
}

QString ImageButton::caption() const
{
    return m_caption->text();
}

void ImageButton::setHighlighted(bool highlighted)
{
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    setFrameShape(highlighted ? QFrame::Box : QFrame::NoFrame);
    // The skin draws the border from this property; re-polish so it notices.
    setProperty("highlighted", highlighted);
    style()->unpolish(this);
    style()->polish(this);
    update();
}

void ImageButton::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void ImageButton::mouseReleaseEvent(QMouseEvent* event)
{
    const bool wasPressed = m_pressed;
    m_pressed = false;
    event->accept();
    if (wasPressed && event->button() == Qt::LeftButton
        && rect().contains(event->position().toPoint()) && isEnabled())
        emit clicked();
}

void ImageButton::mouseMoveEvent(QMouseEvent* event)
{
    emit hovered();
    event->accept();
}

void ImageButton::enterEvent(QEnterEvent* event)
{
    emit hovered();
    QFrame::enterEvent(event);
}

void ImageButton::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            event->accept();
            if (isEnabled())
                emit clicked();
            return;
        }
        break;
    default:
        break;
    }
    QFrame::keyPressEvent(event);
}

void ImageButton::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (!hasFocus())
        return;
    // A dotted ring in the highlight colour, inside the border the pointer's
    // highlight uses: drawn here, since some styles show focus only after a
    // key press and the skin draws none.
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(2, 2, -3, -3));
}

void ImageButton::focusInEvent(QFocusEvent* event)
{
    update();
    QFrame::focusInEvent(event);
}

void ImageButton::focusOutEvent(QFocusEvent* event)
{
    update();
    QFrame::focusOutEvent(event);
}

void ImageButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        m_picture->setPixmap(
            isEnabled() ? m_pixmap : QIcon(m_pixmap).pixmap(m_pixmap.size(), QIcon::Disabled));
    QFrame::changeEvent(event);
}
