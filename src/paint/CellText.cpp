#include "CellText.h"

#include <QFontMetrics>

void DrawCellText(QPainter& painter, QPoint topLeft, const QString& text) {
    const QFontMetrics metrics(painter.font());
    painter.drawText(QPoint(topLeft.x(), topLeft.y() + metrics.ascent()), text);
}
