#include "RoundedRegion.h"

#include <QRect>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// How many pixels the corner takes from each of the rows nearest a horizontal edge, nearest first:
// a pixel stays when its centre lies inside the circle of `radius` about the corner's centre,
// which lies half the ellipse in from the edges. Worked out for one corner and mirrored to the
// other three, so the corners cannot come out lopsided (a polygon's fill rule treats the left and
// right, top and bottom edges differently).
std::vector<int> cornerCuts(int ellipse, double radius, QSize size) {
    const double centre = (ellipse - 1) / 2.0; // in pixel-centre coordinates
    const int rows = std::min({ellipse / 2, size.width() / 2, size.height() / 2});
    std::vector<int> cuts;
    for (int row = 0; row < rows; ++row) {
        const double dy = centre - row;
        const double reach = radius * radius - dy * dy;
        const int cut = reach < 0 ? size.width() / 2 : int(std::ceil(centre - std::sqrt(reach) - 1e-9));
        if (cut <= 0) break;
        cuts.push_back(std::min(cut, size.width() / 2));
    }
    return cuts;
}

QRegion regionWithCuts(QSize size, const std::vector<int>& cuts) {
    const int w = size.width(), h = size.height();
    const int n = int(cuts.size());
    QRegion region(0, n, w, h - 2 * n);
    for (int row = 0; row < n; ++row) {
        const int cut = cuts[std::size_t(row)];
        region += QRect(cut, row, w - 2 * cut, 1);
        region += QRect(cut, h - 1 - row, w - 2 * cut, 1);
    }
    return region;
}

} // namespace

QRegion RoundedRegion(QSize size, int ellipse) {
    if (size.isEmpty()) return {};
    // A region covers whole pixels: the ellipse's edge runs along the pixels' outer edges.
    return regionWithCuts(size, cornerCuts(ellipse, ellipse / 2.0, size));
}

QRegion RoundedOutline(QSize size, int ellipse) {
    if (size.isEmpty()) return {};
    // A pen's line runs through the centres of the edge pixels, so its arc is half a pixel tighter.
    const QRegion shape = regionWithCuts(size, cornerCuts(ellipse, (ellipse - 1) / 2.0, size));
    const QRegion inner = shape & shape.translated(1, 0) & shape.translated(-1, 0) & shape.translated(0, 1) &
                          shape.translated(0, -1);
    return shape - inner;
}
