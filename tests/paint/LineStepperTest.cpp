#include "LineStepper.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>
#include <vector>

namespace {

using Points = std::vector<std::pair<int, int>>;

Points step(int x1, int y1, int x2, int y2) {
    Points points;
    StepLine(x1, y1, x2, y2, [&](int x, int y) { points.emplace_back(x, y); });
    return points;
}

} // namespace

TEST(StepLine, TiesStayOnTheStartSideAndDirectionsMirror) {
    EXPECT_EQ(step(0, 0, 4, 2), (Points{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
    EXPECT_EQ(step(4, 2, 0, 0), (Points{{4, 2}, {3, 2}, {2, 1}, {1, 1}}));
    EXPECT_EQ(step(0, 0, 2, 5), (Points{{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}}));
    EXPECT_EQ(step(4, 0, 0, 0), (Points{{4, 0}, {3, 0}, {2, 0}, {1, 0}}));
    EXPECT_EQ(step(7, 7, 7, 7), Points{});
}

// For any line: one point per pixel of the longer span, 8-connected, never reaching the end point,
// and within half a pixel of the true line across the major axis.
TEST(StepLine, EveryLineIsConnectedAndCloseToTheTrueLine) {
    for (int x2 = -9; x2 <= 9; ++x2) {
        for (int y2 = -9; y2 <= 9; ++y2) {
            const Points points = step(0, 0, x2, y2);
            ASSERT_EQ(int(points.size()), std::max(std::abs(x2), std::abs(y2))) << x2 << "," << y2;
            for (std::size_t i = 0; i < points.size(); ++i) {
                const auto [x, y] = points[i];
                EXPECT_FALSE(x == x2 && y == y2);
                if (i > 0) {
                    const auto [px, py] = points[i - 1];
                    EXPECT_LE(std::max(std::abs(x - px), std::abs(y - py)), 1);
                }
                // Doubled to stay in integers: |2 * (minor - true minor)| <= 1.
                if (std::abs(x2) > std::abs(y2))
                    EXPECT_LE(std::abs(2 * y * x2 - 2 * x * y2), std::abs(x2));
                else
                    EXPECT_LE(std::abs(2 * x * y2 - 2 * y * x2), std::abs(y2));
            }
        }
    }
}
