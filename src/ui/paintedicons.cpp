#include "ui/paintedicons.h"

#include <QPainter>
#include <QPainterPath>

namespace vidfolio::ui {
namespace {

// A camera body with two film reels and a lens hood, drawn on a square of
// `size` pixels.
QPixmap camera(int size, QColor body)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    painter.setPen(QPen(QColor(40, 40, 40), 0.8));

    painter.setBrush(QColor(90, 90, 90));
    painter.drawEllipse(QRectF(1.5, 1.5, 4.5, 4.5));
    painter.drawEllipse(QRectF(6.0, 1.0, 5.0, 5.0));
    painter.setBrush(body);
    painter.drawRoundedRect(QRectF(1.0, 6.0, 10.0, 7.5), 1.2, 1.2);
    QPainterPath hood;
    hood.moveTo(11.0, 8.5);
    hood.lineTo(15.0, 6.5);
    hood.lineTo(15.0, 13.0);
    hood.lineTo(11.0, 11.0);
    hood.closeSubpath();
    painter.setBrush(QColor(60, 60, 60));
    painter.drawPath(hood);
    painter.setBrush(QColor(220, 40, 40));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(2.2, 7.2, 1.8, 1.8));
    return pixmap;
}

// A plain sign on a coloured tile, for the node icons the tree never shows.
QPixmap tile(QColor colour, const QString &sign)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(colour.darker(150));
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 2, 2);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(10);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, sign);
    return pixmap;
}

} // namespace

QPixmap programIcon(int size)
{
    return camera(size, QColor(70, 110, 190));
}

QIcon windowIcon()
{
    return QIcon(programIcon(32));
}

QList<QIcon> nodeIcons()
{
    return {QIcon(programIcon(16)), QIcon(tile(QColor(60, 150, 80), QStringLiteral("P"))),
            QIcon(tile(QColor(200, 130, 40), QStringLiteral("U"))),
            QIcon(tile(QColor(130, 80, 170), QStringLiteral("F"))),
            QIcon(tile(QColor(120, 120, 120), QStringLiteral("?")))};
}

} // namespace vidfolio::ui
