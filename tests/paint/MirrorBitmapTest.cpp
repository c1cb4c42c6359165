#include "MirrorBitmap.h"

#include <QImage>
#include <gtest/gtest.h>

TEST(MirrorBitmap, MovesEveryPixelToItsMirrorPlaceAndTwiceRestores) {
    for (const auto& [width, height] :
         {std::pair{20, 3}, std::pair{7, 5}, std::pair{1, 4}, std::pair{4, 1}}) {
        // Every pixel different, alpha included, so any misplaced pixel shows.
        QImage original(width, height, QImage::Format_ARGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                original.setPixel(x, y, qRgba(x * 10, y * 10, x + y, 100 + x));
        for (bool horizontal : {true, false}) {
            QImage image = original;
            MirrorBitmap(image, horizontal);
            ASSERT_EQ(image.format(), original.format());
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    ASSERT_EQ(image.pixel(x, y),
                              original.pixel(horizontal ? width - 1 - x : x, horizontal ? y : height - 1 - y))
                        << width << "x" << height << " " << horizontal << " at " << x << "," << y;
            MirrorBitmap(image, horizontal);
            EXPECT_EQ(image, original);
        }
    }
    QImage empty;
    MirrorBitmap(empty, true);
    EXPECT_TRUE(empty.isNull());
}
