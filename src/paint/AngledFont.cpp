#include "AngledFont.h"

#include <QFontMetrics>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kCellHeightPx = 25;
constexpr qreal kAverageCharWidthPx = 5.0;

int cellHeightAt(QFont font, int pixelSize) {
    font.setPixelSize(pixelSize);
    return QFontMetrics(font).height();
}

} // namespace

AngledFont SetAngledFont(const QFont& base, float angleDegrees) {
    QFont font = base;
    font.setStretch(QFont::Unstretched);
    // Cell heights grow in proportion to the pixel size; a large probe gives the ratio precisely
    // and the integer metrics decide the last pixel.
    font.setPixelSize(100);
    const qreal cellPer100 = std::max<qreal>(QFontMetricsF(font).height(), 1.0);
    int pixelSize = std::max(1, int(std::lround(kCellHeightPx * 100 / cellPer100)));
    while (pixelSize > 1 && cellHeightAt(font, pixelSize) > kCellHeightPx)
        --pixelSize;
    // Bounded: a broken font may report no height at all.
    while (pixelSize < 4 * kCellHeightPx && cellHeightAt(font, pixelSize + 1) <= kCellHeightPx)
        ++pixelSize;
    font.setPixelSize(pixelSize);

    const qreal averageWidth = QFontMetricsF(font).averageCharWidth();
    if (averageWidth > 0) {
        const int stretch = int(std::lround(100 * kAverageCharWidthPx / averageWidth));
        font.setStretch(std::clamp(stretch, 1, 4000));
    }

    const double angle = std::isfinite(angleDegrees) ? std::fmod(double(angleDegrees), 360.0) : 0.0;
    // nearbyint rounds ties to even under the default rounding mode.
    return AngledFont{font, std::nearbyint(angle * 10.0) / 10.0};
}

void DrawAngledText(QPainter& painter, const AngledFont& angled, const QPointF& topLeft,
                    const QString& text) {
    painter.save();
    painter.setFont(angled.font);
    painter.translate(topLeft);
    // Qt's rotation is clockwise on screen; the title rises to the right.
    painter.rotate(-angled.angleDegrees);
    painter.drawText(QPointF(0, QFontMetricsF(angled.font).ascent()), text);
    painter.restore();
}
