#include "PlayerIconImage.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
QPixmap Tile(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(0.5, 0.5, size - 1.0, size - 1.0);
    // The skin's grounds: white, silver and grey.
    QLinearGradient ground(tile.topLeft(), tile.bottomLeft());
    ground.setColorAt(0.0, QColor(255, 255, 255));
    ground.setColorAt(0.5, QColor(192, 192, 192));
    ground.setColorAt(1.0, QColor(128, 128, 128));
    painter.setPen(QPen(QColor(128, 128, 128), 1.0));
    painter.setBrush(ground);
    painter.drawRoundedRect(tile, size / 5.0, size / 5.0);

    QPainterPath play;
    play.moveTo(size * 0.36, size * 0.25);
    play.lineTo(size * 0.75, size * 0.5);
    play.lineTo(size * 0.36, size * 0.75);
    play.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 255));
    painter.drawPath(play);
    return pixmap;
}
} // namespace

QIcon PlayerIconImage() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(Tile(size));
    return icon;
}
