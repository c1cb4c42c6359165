#include "DotLine.h"

#include "SkinColor.h"
#include "SkinPalette.h"

namespace {
std::int32_t dotCounter = 0;
}

void DotLineProc(int x, int y, QPainter& painter) {
    const QColor skin = SkinColor();
    QPen pen = painter.pen();
    pen.setColor(skin);
    painter.setPen(pen);
    painter.setBrush(kGrey);
    // Pixels are set with fillRect so the dot is the same on any painter (pen width, antialiasing).
    const int phase = int(((dotCounter % 10) + 10) % 10);
    if (phase < 5) {
        painter.fillRect(QRect(x - 1, y, 3, 1), skin);
        painter.fillRect(QRect(x, y - 1, 1, 3), skin);
    }
    painter.fillRect(QRect(x, y, 1, 1), kGrey);
    // Unsigned arithmetic so the counter wraps after 2^32 points instead of overflowing.
    dotCounter = std::int32_t(std::uint32_t(dotCounter) + 1u);
}

std::int32_t DotCounter() {
    return dotCounter;
}

void SetDotCounter(std::int32_t value) {
    dotCounter = value;
}
