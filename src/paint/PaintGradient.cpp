#include "PaintGradient.h"


namespace {

// E / n rounded to the nearest integer, ties to the even one (7 / 2 gives 4, 5 / 2 gives 2).
int roundHalfEven(int numerator, int denominator) {
    const int quotient = numerator / denominator, twiceRest = 2 * (numerator % denominator);
    if (twiceRest > denominator || (twiceRest == denominator && quotient % 2 != 0)) return quotient + 1;
    return quotient;
}

// from + (to - from) * step / lastStep truncated toward zero. The result lies between two bytes and
// so is never negative, which makes truncation a floor. Integer arithmetic keeps exact values
// exact: in doubles 90 * (7 / 10.0) is 62.99..., which would truncate a line one level short.
int channelAt(int from, int to, int step, int lastStep) {
    if (lastStep == 0) return from;
    const long long scaled = (long long)(to - from) * step;
    long long quotient = scaled / lastStep;
    if (scaled % lastStep != 0 && scaled < 0) --quotient;
    return from + int(quotient);
}

// The colour of each line by its offset from the start edge. Segment i runs over offsets
// i*L .. i*L + L, so a boundary is drawn by both of its segments in the same colour; the final
// segment stops one line before the far edge so that the line at extent - 1 is the last colour.
// When the rect is shorter than its segment count, a later line at the same offset wins.
std::vector<QRgb> lineColors(int extent, const std::vector<QColor>& colors) {
    std::vector<QRgb> lines(std::size_t(extent), 0);
    std::vector<QColor> rgb;
    rgb.reserve(colors.size());
    for (const QColor& c : colors)
        rgb.push_back(c.toRgb());
    const int segments = int(colors.size()) - 1;
    const int length = roundHalfEven(extent, segments);
    for (int i = 0; i < segments; ++i) {
        const int start = i * length;
        if (start >= extent) break;
        const int lastStep = i == segments - 1 ? extent - start - 1 : length;
        const QColor &from = rgb[std::size_t(i)], &to = rgb[std::size_t(i) + 1];
        for (int k = 0; k <= lastStep && start + k < extent; ++k) {
            lines[std::size_t(start + k)] = qRgb(channelAt(from.red(), to.red(), k, lastStep),
                                                 channelAt(from.green(), to.green(), k, lastStep),
                                                 channelAt(from.blue(), to.blue(), k, lastStep));
        }
    }
    return lines;
}

} // namespace

void PaintGradient(QPainter& painter, const QRect& rect, bool horizontal, const std::vector<QColor>& colors) {
    Q_ASSERT_X(colors.size() >= 2, "PaintGradient", "a gradient needs two colours");
    if (colors.size() < 2) return;
    const int extent = horizontal ? rect.width() : rect.height();
    const int breadth = horizontal ? rect.height() : rect.width();
    if (extent <= 0 || breadth <= 0) return;
    const std::vector<QRgb> lines = lineColors(extent, colors);
    // fillRect of a one-pixel band is the line the gradient needs: it covers exactly the rect's
    // width with no end point, stays crisp even on an antialiased painter and leaves the pen alone.
    for (int offset = 0; offset < extent; ++offset) {
        const QRect band = horizontal ? QRect(rect.x() + offset, rect.y(), 1, breadth)
                                      : QRect(rect.x(), rect.y() + offset, breadth, 1);
        painter.fillRect(band, QColor(lines[std::size_t(offset)]));
    }
}
