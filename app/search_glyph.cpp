#include "app/search_glyph.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace veralith::app {

namespace {

void DrawMagnifier(QPainter& painter, QRectF area, const QColor& rim, const QColor& glass, const QColor& handle)
{
    const qreal size = area.width();
    const QRectF lens(area.left() + size * 0.08, area.top() + size * 0.08, size * 0.56, size * 0.56);
    painter.setPen(QPen(handle, size * 0.14, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(
        lens.center() + QPointF(size * 0.2, size * 0.2), area.bottomRight() - QPointF(size * 0.1, size * 0.1));
    painter.setPen(QPen(rim, size * 0.09));
    painter.setBrush(glass);
    painter.drawEllipse(lens);
}

QPixmap DrawGlyph(int size, bool enabled)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    if (enabled) {
        DrawMagnifier(painter, QRectF(0, 0, size, size), QColor(0x20, 0x40, 0x80), QColor(0xd8, 0xe8, 0xff),
            QColor(0x80, 0x50, 0x20));
    } else {
        DrawMagnifier(painter, QRectF(0, 0, size, size), QColor(0x90, 0x90, 0x90), QColor(0xe8, 0xe8, 0xe8),
            QColor(0xa0, 0xa0, 0xa0));
    }
    return pixmap;
}

} // namespace

QIcon SearchGlyph()
{
    QIcon icon;
    for (int size : {16, 32}) {
        icon.addPixmap(DrawGlyph(size, true), QIcon::Normal);
        icon.addPixmap(DrawGlyph(size, false), QIcon::Disabled);
    }
    return icon;
}

QIcon ApplicationIcon()
{
    QIcon icon;
    for (int size : {32, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal unit = size / 64.0;
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x2a, 0x5d, 0x9f));
        painter.drawRoundedRect(QRectF(2 * unit, 2 * unit, 60 * unit, 60 * unit), 10 * unit, 10 * unit);
        painter.setBrush(QColor(0xff, 0xd0, 0x60));
        painter.drawRect(QRectF(10 * unit, 14 * unit, 30 * unit, 7 * unit));
        painter.drawRect(QRectF(10 * unit, 26 * unit, 30 * unit, 7 * unit));
        DrawMagnifier(painter, QRectF(18 * unit, 18 * unit, 42 * unit, 42 * unit), Qt::white, QColor(255, 255, 255, 60),
            Qt::white);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace veralith::app
