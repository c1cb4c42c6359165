#include "PlaylistRow.h"

#include "CellText.h"
#include "SkinFont.h"
#include "SkinPalette.h"

#include <algorithm>

namespace {
constexpr QColor kCurrentBlue{0, 0, 255};
// What a moved duration keeps free at the row's right edge, as the number keeps at its left.
constexpr int kRowDurationMargin = 2;
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
    if (!duration.isEmpty()) {
        // A scroll bar narrows the row: an hour-long duration then moves left rather than lose its
        // last digit under the bar.
        const int room =
            rowRect.width() - kRowDurationMargin - painter.fontMetrics().horizontalAdvance(duration);
        DrawCellText(painter, topLeft + QPoint(std::min(kRowDurationX, room), 0), duration);
    }
    painter.restore();
}
