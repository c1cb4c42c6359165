#include "RoundedRegion.h"

#include <QRegion>
#include <gtest/gtest.h>

namespace {

QRegion mirrored(const QRegion& region, QSize size, bool leftRight) {
    QRegion mirror;
    for (const QRect& r : region)
        mirror += leftRight ? QRect(size.width() - 1 - r.right(), r.top(), r.width(), r.height())
                            : QRect(r.left(), size.height() - 1 - r.bottom(), r.width(), r.height());
    return mirror;
}

// The columns a row of the region covers, as first..last.
std::pair<int, int> rowSpan(const QRegion& region, int y, int width) {
    int first = -1, last = -1;
    for (int x = 0; x < width; ++x)
        if (region.contains(QPoint(x, y))) {
            if (first < 0) first = x;
            last = x;
        }
    return {first, last};
}

} // namespace

TEST(RoundedRegion, EveryCornerIsTheMirrorOfTheOthersAtEveryWindowSize) {
    for (const QSize size :
         {QSize(320, 135), QSize(320, 178), QSize(320, 211), QSize(188, 70), QSize(11, 12)}) {
        const QRegion region = RoundedRegion(size);
        EXPECT_EQ(region, mirrored(region, size, true)) << size.width() << "x" << size.height();
        EXPECT_EQ(region, mirrored(region, size, false)) << size.width() << "x" << size.height();
        EXPECT_EQ(region.boundingRect(), QRect(QPoint(), size));
    }
    // A 10 x 10 ellipse takes 3, 1 and 1 pixels from the three rows nearest each edge.
    const QSize size(320, 135);
    const QRegion region = RoundedRegion(size);
    const std::pair<int, int> spans[] = {{3, 316}, {1, 318}, {1, 318}, {0, 319}};
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(rowSpan(region, row, size.width()), spans[row]) << "row " << row;
        EXPECT_EQ(rowSpan(region, size.height() - 1 - row, size.width()), spans[row])
            << "row " << row << " from the bottom";
    }
}

TEST(RoundedRegion, TheTitleButtonFrameIsAClosedSymmetricLine) {
    const QSize size(11, 12);
    const QRegion frame = RoundedOutline(size, 5);
    EXPECT_EQ(frame, mirrored(frame, size, true));
    EXPECT_EQ(frame, mirrored(frame, size, false));
    // Straight edges between 2-pixel arcs: top and bottom run over columns 2-8, the sides over rows 2-9.
    EXPECT_EQ(rowSpan(frame, 0, size.width()), std::pair(2, 8));
    EXPECT_EQ(rowSpan(frame, 11, size.width()), std::pair(2, 8));
    EXPECT_EQ(rowSpan(frame, 1, size.width()), std::pair(1, 9));
    for (int y = 2; y <= 9; ++y) {
        EXPECT_EQ(rowSpan(frame, y, size.width()), std::pair(0, 10)) << "row " << y;
        EXPECT_FALSE(frame.contains(QPoint(5, y))) << "the frame is one pixel wide; row " << y;
    }
}
