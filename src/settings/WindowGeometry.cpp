#include "WindowGeometry.h"

#include <algorithm>

namespace {

// One axis: a span of length at start, fitted into [low, low + room).
void fitSpan(qint64& start, qint64& length, qint64 minimum, qint64 low, qint64 room) {
    length = std::clamp<qint64>(length, 0, room);
    // Only a window that starts on the screen is shortened; one wholly off it is just moved in.
    const qint64 end = low + room;
    if (start >= low && start < end && start + length > end)
        length = std::clamp<qint64>(end - start, std::min({minimum, room, length}), length);
    start = std::clamp<qint64>(start, low, end - length);
}

} // namespace

QRect FitOnScreen(QPoint topLeft, QSize size, QSize minimumSize, const QRect& screen) {
    if (screen.isEmpty()) return QRect(topLeft, size);
    // In 64 bits: values read from the file may be as large as an int goes, so sums would overflow.
    qint64 x = topLeft.x(), y = topLeft.y(), width = size.width(), height = size.height();
    fitSpan(x, width, minimumSize.width(), screen.x(), screen.width());
    fitSpan(y, height, minimumSize.height(), screen.y(), screen.height());
    return QRect(int(x), int(y), int(width), int(height));
}
