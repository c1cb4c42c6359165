#include "WindowGeometry.h"

#include <gtest/gtest.h>

#include <climits>

namespace {
const QRect kScreen(0, 0, 1024, 768);
const QSize kPlaylistMinimum(320, 200);
} // namespace

TEST(WindowGeometry, WindowsOnTheScreenStayAsTheyWere) {
    EXPECT_EQ(FitOnScreen({268, 141}, {320, 135}, {320, 135}, kScreen), QRect(268, 141, 320, 135));
    EXPECT_EQ(FitOnScreen({268, 276}, {320, 210}, kPlaylistMinimum, kScreen), QRect(268, 276, 320, 210));
    EXPECT_EQ(FitOnScreen({704, 633}, {320, 135}, {320, 135}, kScreen), QRect(704, 633, 320, 135))
        << "in the corner";
}

TEST(WindowGeometry, AbsurdValuesFromTheFileComeBackOntoTheScreen) {
    // Sticking out: moved in with the height the user gave it; taller than the screen: cut to it.
    EXPECT_EQ(FitOnScreen({268, 276}, {320, INT_MAX}, kPlaylistMinimum, kScreen), QRect(268, 0, 320, 768));
    EXPECT_EQ(FitOnScreen({268, 700}, {320, 210}, kPlaylistMinimum, kScreen), QRect(268, 558, 320, 210));
    EXPECT_EQ(FitOnScreen({INT_MAX, INT_MIN}, {320, 135}, {320, 135}, kScreen), QRect(704, 0, 320, 135));
    EXPECT_EQ(FitOnScreen({INT_MIN, INT_MAX}, {320, INT_MAX}, kPlaylistMinimum, kScreen),
              QRect(0, 0, 320, 768));
    EXPECT_EQ(FitOnScreen({-5, -5}, {320, -40}, kPlaylistMinimum, kScreen), QRect(0, 0, 320, 0))
        << "a negative height is left to the window's own minimum";
    // A screen smaller than the window: its minimum, from the screen's top-left corner.
    EXPECT_EQ(FitOnScreen({50, 50}, {320, 400}, kPlaylistMinimum, QRect(0, 0, 300, 150)),
              QRect(0, 0, 320, 200));
}

TEST(WindowGeometry, DesktopsLeftOfAndAboveTheFirstScreenCount) {
    const QRect twoScreens(-1920, -200, 1920 + 1024, 1080);
    EXPECT_EQ(FitOnScreen({-1500, -100}, {320, 210}, kPlaylistMinimum, twoScreens),
              QRect(-1500, -100, 320, 210));
    EXPECT_EQ(FitOnScreen({-3000, 900}, {320, 210}, kPlaylistMinimum, twoScreens),
              QRect(-1920, 670, 320, 210));
    EXPECT_EQ(FitOnScreen({268, 276}, {320, 210}, kPlaylistMinimum, QRect()), QRect(268, 276, 320, 210))
        << "no screen known: nothing to fit to";
}

TEST(WindowGeometry, PlacesOnAMonitorThatIsGoneComeBackOntoTheNearestScreen) {
    // A wide monitor and a smaller one to its right, tops aligned: the desktop's bounding box has a
    // gap below the smaller one.
    const QRect wide(0, 0, 1920, 1080), small(1920, 0, 1280, 720);
    const QList<QRect> both{wide, small};
    const QSize main(320, 135);
    EXPECT_EQ(FitOnScreens({1800, 100}, main, main, both), QRect(1800, 100, 320, 135))
        << "across both: stays";
    EXPECT_EQ(FitOnScreens({2500, 900}, main, main, both), QRect(2500, 585, 320, 135)) << "in the gap";
    EXPECT_EQ(FitOnScreens({1850, 700}, main, main, both), QRect(1600, 700, 320, 135))
        << "half in the gap: onto the screen it overlaps most";
    EXPECT_EQ(FitOnScreens({5000, 3000}, main, main, both), QRect(2880, 585, 320, 135));
    EXPECT_EQ(FitOnScreens({-5000, 300}, main, main, both), QRect(0, 300, 320, 135));
    EXPECT_EQ(FitOnScreens({INT_MIN, INT_MAX}, main, main, both), QRect(0, 945, 320, 135));
    // The monitor on the left is gone: its places come onto the one that is left.
    EXPECT_EQ(FitOnScreens({-1500, -100}, {320, 210}, kPlaylistMinimum, {QRect(0, 0, 1024, 768)}),
              QRect(0, 0, 320, 210));
    EXPECT_EQ(FitOnScreens({2000, 400}, {320, 500}, kPlaylistMinimum, both), QRect(2000, 220, 320, 500));
    EXPECT_EQ(FitOnScreens({1, 2}, {320, 210}, kPlaylistMinimum, {QRect()}), QRect(1, 2, 320, 210))
        << "no screen known: nothing to fit to";
}
