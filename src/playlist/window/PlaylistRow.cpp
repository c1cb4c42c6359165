#include "PlaylistRow.h"

#include "CellText.h"
#include "SkinFont.h"
#include "SkinPalette.h"

namespace {
constexpr QColor kCurrentBlue{0, 0, 255};
} // namespace

RowStyle RowStyleOf(bool selected, bool current) {
    if (selected) return RowStyle::Selected;
    return current ? RowStyle::Current : RowStyle::Other;
}

QColor RowTextColor(RowStyle style) {
    switch (style) {
    case RowStyle::Selected:
        return kBlack;
    case RowStyle::Current:
        return kCurrentBlue;
    case RowStyle::Other:
        break;
    }
    return kSilver;
}

QFont RowFont() {
    return SkinFont(9);
}

void PlayListDrawItem(QPainter& painter, const QRect& rowRect, int row, const QString& fittedTitle,
                      const QString& duration, RowStyle style) {
    painter.save();
    if (style == RowStyle::Current) {
        painter.setPen(kSilver);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rowRect.adjusted(0, 0, -1, -1));
    }
    painter.setFont(RowFont());
    painter.setPen(RowTextColor(style));
    const QPoint topLeft = rowRect.topLeft();
    DrawCellText(painter, topLeft + QPoint(2, 0), QString::number(row + 1) + ". " + fittedTitle);
    if (!duration.isEmpty()) DrawCellText(painter, topLeft + QPoint(kRowDurationX, 0), duration);
    painter.restore();
}
