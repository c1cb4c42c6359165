#include "DisplayScale.h"

#include <gtest/gtest.h>

TEST(DisplayScale, FollowsTheDesktopAtWholeRatiosUnlessTheSettingFixesIt) {
    // Pictures enlarged pixel for pixel blur at a fractional ratio: it goes to the nearest whole one.
    EXPECT_EQ(ChooseScale(std::nullopt, "1.5").scaleFactor, "2");
    EXPECT_EQ(ChooseScale(0, "2.4").scaleFactor, "2");
    EXPECT_EQ(ChooseScale(std::nullopt, " 3 ").scaleFactor, "3");
    EXPECT_EQ(ChooseScale(std::nullopt, "0.4").scaleFactor, "1") << "never smaller than the pictures";
    EXPECT_EQ(ChooseScale(std::nullopt, "1e300").scaleFactor, "100");
    EXPECT_TRUE(ChooseScale(std::nullopt, "").scaleFactor.isEmpty());
    EXPECT_EQ(ChooseScale(std::nullopt, "big").scaleFactor, "big") << "left for the toolkit to warn about";
    EXPECT_TRUE(ChooseScale(std::nullopt, "1.5").followScreen);

    // A fixed scale is the whole scale: neither the variable nor the screen's ratio adds to it.
    const ScaleChoice fixed = ChooseScale(3, "2");
    EXPECT_EQ(fixed.scaleFactor, "3");
    EXPECT_FALSE(fixed.followScreen);
    for (const int outOfRange : {-1, 5, 100}) {
        EXPECT_EQ(ChooseScale(outOfRange, "2").scaleFactor, "2") << outOfRange;
        EXPECT_TRUE(ChooseScale(outOfRange, "").followScreen) << outOfRange;
    }
}
