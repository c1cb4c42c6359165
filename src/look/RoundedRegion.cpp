#include "RoundedRegion.h"

#include <QPainterPath>
#include <QPolygon>

QRegion RoundedRegion(QSize size) {
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, size.width(), size.height()), 5, 5);
    return QRegion(path.toFillPolygon().toPolygon());
}
