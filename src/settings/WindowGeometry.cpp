#include "WindowGeometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace {

// One axis: a span of length at start, fitted into [low, low + room). The length is the user's own
// (a playlist made tall on a large monitor): moving keeps it, and only what the room cannot hold
// is cut, down to the minimum. A span the room cannot hold starts at low.
void fitSpan(qint64& start, qint64& length, qint64 minimum, qint64 low, qint64 room) {
    length = std::clamp<qint64>(length, 0, std::max(room, minimum));
    start = std::max(low, std::min(start, low + room - length));
}

// A rectangle in 64 bits, right and bottom exclusive: a place read from the file may reach as far
// as an int goes, and its far edge beyond.
struct Span2D {
    qint64 left, top, right, bottom;
};

Span2D spanOf(const QRect& r) {
    return {r.x(), r.y(), qint64(r.x()) + r.width(), qint64(r.y()) + r.height()};
}

bool meet(const Span2D& a, const Span2D& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Whether the screens together cover every pixel of window: what no screen has covered yet is cut
// down screen by screen.
bool covered(const Span2D& window, const QList<QRect>& screens) {
    std::vector<Span2D> bare{window};
    for (const QRect& screen : screens) {
        const Span2D s = spanOf(screen);
        std::vector<Span2D> left;
        for (const Span2D& p : bare) {
            if (!meet(p, s)) {
                left.push_back(p);
                continue;
            }
            const qint64 top = std::max(p.top, s.top), bottom = std::min(p.bottom, s.bottom);
            if (p.top < s.top) left.push_back({p.left, p.top, p.right, s.top});
            if (s.bottom < p.bottom) left.push_back({p.left, s.bottom, p.right, p.bottom});
            if (p.left < s.left) left.push_back({p.left, top, s.left, bottom});
            if (s.right < p.right) left.push_back({s.right, top, p.right, bottom});
        }
        bare = std::move(left);
    }
    return bare.empty();
}

// The screen the window overlaps most; overlapping none, the one nearest to its centre.
QRect nearestScreen(const Span2D& window, const QList<QRect>& screens) {
    QRect best;
    double bestOverlap = 0, bestDistance = INFINITY;
    const double cx = (double(window.left) + double(window.right)) / 2;
    const double cy = (double(window.top) + double(window.bottom)) / 2;
    for (const QRect& screen : screens) {
        const Span2D s = spanOf(screen);
        const double overlap =
            meet(window, s) ? double(std::min(window.right, s.right) - std::max(window.left, s.left)) *
                                  double(std::min(window.bottom, s.bottom) - std::max(window.top, s.top))
                            : 0;
        const double dx = std::clamp(cx, double(s.left), double(s.right)) - cx;
        const double dy = std::clamp(cy, double(s.top), double(s.bottom)) - cy;
        const double distance = std::hypot(dx, dy);
        if (overlap > bestOverlap || (bestOverlap == 0 && overlap == 0 && distance < bestDistance)) {
            best = screen;
            bestOverlap = overlap;
            bestDistance = distance;
        }
    }
    return best;
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

QRect FitOnScreens(QPoint topLeft, QSize size, QSize minimumSize, const QList<QRect>& screens) {
    QList<QRect> shown;
    for (const QRect& screen : screens)
        if (!screen.isEmpty()) shown.append(screen);
    if (shown.isEmpty()) return QRect(topLeft, size);
    const Span2D window{topLeft.x(), topLeft.y(), qint64(topLeft.x()) + std::max(size.width(), 0),
                        qint64(topLeft.y()) + std::max(size.height(), 0)};
    if (covered(window, shown)) return QRect(topLeft, size.expandedTo({0, 0}));
    return FitOnScreen(topLeft, size, minimumSize, nearestScreen(window, shown));
}

DockedPlaces FitDocked(QPoint mainTopLeft, QSize mainSize, int playlistHeight, int playlistMinimumHeight,
                       const QList<QRect>& screens) {
    // In 64 bits: a height read from the file may be as large as an int goes.
    const auto pairOf = [&](qint64 height) {
        return QSize(mainSize.width(),
                     int(std::min<qint64>(mainSize.height() + std::max<qint64>(height, 0), INT_MAX)));
    };
    const QRect pair =
        FitOnScreens(mainTopLeft, pairOf(playlistHeight), pairOf(playlistMinimumHeight), screens);
    const QRect main(pair.topLeft(), mainSize);
    return {main, QRect(main.x(), main.y() + main.height(), main.width(),
                        std::max(pair.height() - main.height(), 0))};
}
