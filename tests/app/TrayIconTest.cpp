#include "TrayIcon.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace {
// A main window with two side windows, one shown and one not, and the tray over them on a desktop
// that has a window manager or not (telling of minimising, or a Wayland compositor), and a tray or not.
struct Desktop {
    Desktop(bool windowManager, bool tray, bool minimiseReported = true) {
        icon.windowManagerRunning = [windowManager] { return windowManager; };
        icon.minimiseReported = [minimiseReported] { return minimiseReported; };
        icon.trayAvailable = [tray] { return tray; };
        icon.addSideWindow(&shownSide);
        icon.addSideWindow(&hiddenSide);
        main.show();
        shownSide.show();
    }
    bool allBack() const {
        return main.isVisible() && !main.isMinimized() && shownSide.isVisible() && !hiddenSide.isVisible() &&
               !icon.iconShown();
    }

    QWidget main;
    QWidget shownSide;
    QWidget hiddenSide;
    TrayIcon icon{main};
};
} // namespace

// The whole-program check (tests/e2e/tray_icon.sh) covers the minimise box, the icon and its menu;
// here the cases no desktop there offers.
TEST(TrayIcon, TheDesktopsOwnMinimiseAndRestoreAndADesktopWithNoWayBack) {
    Desktop desktop(true, true);
    desktop.main.setWindowState(Qt::WindowMinimized);
    EXPECT_TRUE(desktop.icon.iconShown());
    EXPECT_FALSE(desktop.shownSide.isVisible());
    desktop.main.setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(desktop.allBack()) << "a side window hidden before stays hidden";

    Desktop bare(false, false);
    bare.icon.minimise();
    EXPECT_TRUE(bare.allBack()) << "with neither a window manager nor a tray, nothing goes away";
}

TEST(TrayIcon, ACompositorThatNeverTellsOfMinimisingHasThePlayerHideToTheTray) {
    Desktop wayland(true, true, false);
    wayland.icon.minimise();
    EXPECT_TRUE(!wayland.main.isVisible() && !wayland.shownSide.isVisible() && wayland.icon.iconShown());
    wayland.icon.restore();
    EXPECT_TRUE(wayland.allBack());
}
