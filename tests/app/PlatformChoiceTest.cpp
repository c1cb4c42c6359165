#include "PlatformChoice.h"

#include <gtest/gtest.h>

TEST(PlatformChoice, WaylandSessionsStartNativelyWithXWaylandAsTheFallback) {
    const QByteArrayList none;
    // Either sign of a Wayland session counts.
    EXPECT_EQ(ChoosePlatform({"", "wayland-0", "", ":0"}, none), "wayland;xcb");
    EXPECT_EQ(ChoosePlatform({"", "", "wayland", ":1"}, none), "wayland;xcb");
    EXPECT_EQ(ChoosePlatform({"", "wayland-0", "wayland", ""}, none), "wayland");
    EXPECT_EQ(ChoosePlatform({"", "", "wayland", ""}, none), "wayland");

    // An X11 session, or none, keeps the toolkit's own choice.
    EXPECT_EQ(ChoosePlatform({"", "", "x11", ":0"}, none), "");
    EXPECT_EQ(ChoosePlatform({"", "", "", ""}, none), "");

    // The user's choice stands, by variable or by argument with one dash or two.
    EXPECT_EQ(ChoosePlatform({"wayland", "wayland-0", "wayland", ":0"}, none), "");
    EXPECT_EQ(ChoosePlatform({"", "wayland-0", "wayland", ":0"}, {"a.mp3", "-platform", "wayland"}), "");
    EXPECT_EQ(ChoosePlatform({"", "wayland-0", "wayland", ""}, {"--platform", "offscreen"}), "");
    EXPECT_EQ(ChoosePlatform({"", "wayland-0", "", ":0"}, {"platform.mp3"}), "wayland;xcb");
}
