#pragma once
#include <cstdlib>

// Calls point(x, y) for every point of the line from (x1, y1) towards (x2, y2), the end point
// excluded, the way the platform line stepper of the seek bar's design does it: the major axis (the
// longer of the two spans; vertical when they are equal) moves one pixel per point and the minor
// axis follows Bresenham's error term. Rounding: the minor axis moves only when the true line has
// passed more than half a pixel beyond the current row (or column), so an exact tie stays on the
// side of the start point; (0,0)->(4,2) gives (0,0) (1,0) (2,1) (3,1). A zero-length line calls
// nothing. The callback is a template parameter so the per-point call costs no indirection.
template <typename PointFn> void StepLine(int x1, int y1, int x2, int y2, PointFn&& point) {
    const int stepX = x2 < x1 ? -1 : 1, stepY = y2 < y1 ? -1 : 1;
    const long long dx = std::llabs((long long)x2 - x1), dy = std::llabs((long long)y2 - y1);
    int x = x1, y = y1;
    if (dx > dy) {
        long long error = 2 * dy - dx;
        for (long long i = 0; i < dx; ++i) {
            point(x, y);
            if (error > 0) {
                y += stepY;
                error -= 2 * dx;
            }
            error += 2 * dy;
            x += stepX;
        }
    } else {
        long long error = 2 * dx - dy;
        for (long long i = 0; i < dy; ++i) {
            point(x, y);
            if (error > 0) {
                x += stepX;
                error -= 2 * dy;
            }
            error += 2 * dx;
            y += stepY;
        }
    }
}
