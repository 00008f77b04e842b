#include "gui/mainwindow/toolbarstrip.h"

#include "gui/mainwindow/toolbaricons.h"
#include "gui/widgets/imagebutton.h"

#include <QHBoxLayout>
#include <QMouseEvent>

ToolbarStrip::ToolbarStrip(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("Picture5"));
    setMouseTracking(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(4);

    using K = ToolbarIcons::Kind;
    m_loadList = addButton(QStringLiteral("Image1"), int(K::LoadList), tr("Load List"));
    m_addHtmlFiles
        = addButton(QStringLiteral("Image2"), int(K::AddHtmlFiles), tr("Add Html Files"));
    m_addUrl = addButton(QStringLiteral("Image3"), int(K::AddUrl), tr("Add Url"));
    m_saveList = addButton(QStringLiteral("Image4"), int(K::SaveList), tr("Save List"));
    m_convertNow = addButton(QStringLiteral("Image5"), int(K::ConvertNow), tr("CONVERT NOW"));
    m_settings = addButton(QStringLiteral("Image6"), int(K::Settings), tr("Setting"));
    m_schedule = addButton(QStringLiteral("Image7"), int(K::Schedule), tr("Schedule"));
    m_help = addButton(QStringLiteral("Image8"), int(K::Help), tr("Help"));
    m_exit = addButton(QStringLiteral("Image10"), int(K::Exit), tr("Exit"));
    layout->addStretch(1);
}

ImageButton* ToolbarStrip::addButton(const QString& objectName, int kind, const QString& caption)
{
    auto* button = new ImageButton(ToolbarIcons::pixmap(ToolbarIcons::Kind(kind)), caption, this);
    button->setObjectName(objectName);
    layout()->addWidget(button);
    connect(button, &ImageButton::hovered, this, [this, button] { highlightOnly(button); });
    m_buttons.append(button);
    return button;
}

void ToolbarStrip::highlightOnly(ImageButton* button)
{
    for (ImageButton* each : std::as_const(m_buttons))
        each->setHighlighted(each == button);
}

void ToolbarStrip::mouseMoveEvent(QMouseEvent* event)
{
    // Between the buttons: none keeps its border.
    highlightOnly(nullptr);
    QFrame::mouseMoveEvent(event);
}

void ToolbarStrip::leaveEvent(QEvent* event)
{
    highlightOnly(nullptr);
    QFrame::leaveEvent(event);
}
