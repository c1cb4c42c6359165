#include "TrayIcon.h"
#include "FakeEngine.h"
#include "Player.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace {
// A main window with two side windows, one shown and one not, and the tray over them on a desktop
// that has a window manager or not, and a tray or not.
struct Desktop {
    Desktop(bool windowManager, bool tray) {
        icon.windowManagerRunning = [windowManager] { return windowManager; };
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

TEST(TrayIcon, UnderAWindowManagerTheIconStandsWhileTheWindowIsMinimisedByAnyone) {
    Desktop desktop(true, true);
    for (int round = 0; round < 3; ++round) {
        desktop.icon.minimise();
        ASSERT_TRUE(desktop.main.isMinimized());
        EXPECT_TRUE(desktop.icon.iconShown());
        EXPECT_FALSE(desktop.shownSide.isVisible());
        // The taskbar restores on odd rounds, the icon on even ones.
        if (round % 2)
            desktop.main.setWindowState(Qt::WindowNoState);
        else
            desktop.icon.restore();
        EXPECT_TRUE(desktop.allBack()) << "round " << round;
    }
    desktop.main.setWindowState(Qt::WindowMinimized);
    EXPECT_TRUE(desktop.icon.iconShown()) << "minimised by the desktop";
    EXPECT_FALSE(desktop.shownSide.isVisible());
    desktop.main.setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(desktop.allBack());
}

TEST(TrayIcon, WithoutAWindowManagerThePlayerHidesItselfOnlyWhenTheIconCanBringItBack) {
    Desktop bare(false, true);
    bare.icon.minimise();
    EXPECT_FALSE(bare.main.isVisible());
    EXPECT_FALSE(bare.shownSide.isVisible());
    EXPECT_TRUE(bare.icon.iconShown());
    bare.icon.minimise();
    bare.icon.menu().actions().constFirst()->trigger();
    EXPECT_TRUE(bare.allBack());

    Desktop noTray(false, false);
    noTray.icon.minimise();
    EXPECT_TRUE(noTray.allBack()) << "with no way back, nothing goes away";
}

TEST(TrayIcon, ExitFromTheMenuWhileMinimisedSavesAndLeavesNoIcon) {
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkpath("Data"));
    FakeEngine engine;
    Player player(engine, home.path());
    player.tray().trayAvailable = [] { return true; };
    player.tray().windowManagerRunning = [] { return false; };
    player.window().show();
    player.tray().minimise();
    ASSERT_TRUE(player.tray().iconShown());

    player.tray().menu().actions().constLast()->trigger();
    EXPECT_TRUE(player.isShutDown());
    EXPECT_FALSE(player.tray().iconShown());
    EXPECT_TRUE(QFile::exists(home.path() + "/Data/Options.ini"));
}
