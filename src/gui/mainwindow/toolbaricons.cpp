#include "gui/mainwindow/toolbaricons.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

const QColor Ink(0x1f, 0x4e, 0x79);
const QColor Paper(0xff, 0xff, 0xff);
const QColor Accent(0x2e, 0x86, 0xc1);
const QColor Go(0x1e, 0x84, 0x49);
const QColor Halt(0xc0, 0x39, 0x2b);
const QColor Folder(0xf0, 0xb4, 0x29);

void drawPage(QPainter& p)
{
    QPainterPath page;
    page.moveTo(7, 3);
    page.lineTo(19, 3);
    page.lineTo(25, 9);
    page.lineTo(25, 29);
    page.lineTo(7, 29);
    page.closeSubpath();
    p.setPen(QPen(Ink, 1.6));
    p.setBrush(Paper);
    p.drawPath(page);
    p.drawLine(QPointF(19, 3), QPointF(19, 9));
    p.drawLine(QPointF(19, 9), QPointF(25, 9));
    p.setPen(QPen(Accent, 1.4));
    for (int y = 14; y <= 24; y += 4)
        p.drawLine(QPointF(10, y), QPointF(22, y));
}

void drawPlus(QPainter& p, QPointF centre)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Go);
    p.drawEllipse(centre, 6.5, 6.5);
    p.setPen(QPen(Paper, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(-3.5, 0), centre + QPointF(3.5, 0));
    p.drawLine(centre + QPointF(0, -3.5), centre + QPointF(0, 3.5));
}

void drawGlobe(QPainter& p)
{
    p.setPen(QPen(Ink, 1.6));
    p.setBrush(QColor(0xd6, 0xea, 0xf8));
    p.drawEllipse(QPointF(14, 14), 11, 11);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(14, 14), 5, 11);
    p.drawLine(QPointF(3, 14), QPointF(25, 14));
    p.drawLine(QPointF(5, 8), QPointF(23, 8));
    p.drawLine(QPointF(5, 20), QPointF(23, 20));
}

void drawFolder(QPainter& p)
{
    p.setPen(QPen(Ink, 1.6));
    p.setBrush(Folder.darker(115));
    p.drawRoundedRect(QRectF(3, 7, 26, 20), 2, 2);
    p.setBrush(Folder);
    QPainterPath front;
    front.moveTo(3, 27);
    front.lineTo(7, 13);
    front.lineTo(30, 13);
    front.lineTo(27, 27);
    front.closeSubpath();
    p.drawPath(front);
}

void drawDisk(QPainter& p)
{
    p.setPen(QPen(Ink, 1.6));
    p.setBrush(Accent);
    p.drawRoundedRect(QRectF(4, 4, 24, 24), 3, 3);
    p.setBrush(Paper);
    p.drawRect(QRectF(9, 4, 14, 9));
    p.setBrush(QColor(0xea, 0xf2, 0xf8));
    p.drawRect(QRectF(8, 17, 16, 11));
}

void drawGear(QPainter& p)
{
    p.setPen(QPen(Ink, 1.4));
    p.setBrush(QColor(0x85, 0x92, 0x9e));
    QPainterPath gear;
    const QPointF c(16, 16);
    for (int i = 0; i < 16; ++i) {
        const double angle = i * M_PI / 8;
        const double radius = (i % 2 == 0) ? 13 : 10;
        const QPointF point = c + QPointF(radius * qCos(angle), radius * qSin(angle));
        if (i == 0)
            gear.moveTo(point);
        else
            gear.lineTo(point);
    }
    gear.closeSubpath();
    p.drawPath(gear);
    p.setBrush(Paper);
    p.drawEllipse(c, 4.5, 4.5);
}

void drawClock(QPainter& p)
{
    p.setPen(QPen(Ink, 1.8));
    p.setBrush(Paper);
    p.drawEllipse(QPointF(16, 16), 12.5, 12.5);
    p.setPen(QPen(Ink, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 16), QPointF(16, 8));
    p.drawLine(QPointF(16, 16), QPointF(22, 19));
}

void drawCircleGlyph(QPainter& p, const QColor& colour, const QString& glyph)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(16, 16), 13, 13);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(19);
    p.setFont(font);
    p.setPen(Paper);
    p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, glyph);
}

void drawPower(QPainter& p)
{
    p.setPen(QPen(Halt, 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5, 6, 22, 22), 120 * 16, 300 * 16);
    p.drawLine(QPointF(16, 3), QPointF(16, 15));
}

void drawCross(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Halt);
    p.drawEllipse(QPointF(16, 16), 13, 13);
    p.setPen(QPen(Paper, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11, 11), QPointF(21, 21));
    p.drawLine(QPointF(21, 11), QPointF(11, 21));
}

void drawStop(QPainter& p)
{
    p.setPen(QPen(Ink, 1.6));
    p.setBrush(Halt);
    p.drawRoundedRect(QRectF(6, 6, 20, 20), 3, 3);
}

void drawPlay(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Go);
    p.drawEllipse(QPointF(16, 16), 13, 13);
    QPolygonF arrow;
    arrow << QPointF(12, 9) << QPointF(24, 16) << QPointF(12, 23);
    p.setBrush(Paper);
    p.drawPolygon(arrow);
}

} // namespace

QPixmap ToolbarIcons::pixmap(Kind kind, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // Every picture is drawn on a 32-unit grid.
    p.scale(size / 32.0, size / 32.0);
    switch (kind) {
    case Kind::LoadList:
        drawFolder(p);
        break;
    case Kind::AddHtmlFiles:
        drawPage(p);
        drawPlus(p, QPointF(24, 24));
        break;
    case Kind::AddUrl:
        drawGlobe(p);
        drawPlus(p, QPointF(24, 24));
        break;
    case Kind::SaveList:
        drawDisk(p);
        break;
    case Kind::ConvertNow:
        drawPlay(p);
        break;
    case Kind::Settings:
        drawGear(p);
        break;
    case Kind::Schedule:
        drawClock(p);
        break;
    case Kind::Help:
        drawCircleGlyph(p, Accent, QStringLiteral("?"));
        break;
    case Kind::Exit:
        drawPower(p);
        break;
    case Kind::Cancel:
        drawCross(p);
        break;
    case Kind::Stop:
        drawStop(p);
        break;
    case Kind::Application:
        drawPage(p);
        p.setPen(QPen(Ink, 1.6));
        p.setBrush(Accent);
        p.drawRoundedRect(QRectF(15, 15, 15, 15), 2, 2);
        p.setPen(Qt::NoPen);
        p.setBrush(Go);
        p.drawPolygon(QPolygonF({ QPointF(17, 28), QPointF(23, 20), QPointF(28, 28) }));
        break;
    }
    return pixmap;
}
