#pragma once
#include "Version.h"
#include <QString>

#include <array>
#include <optional>

// Every value the player keeps from one run to the next, as read from or written to Options.ini.
// The defaults are those of a first run. Values are kept as read, without range checks: each owner
// decides what an out-of-range value means.
struct Settings {
    QString version = VEXO_VERSION; // read by the start window; always written as the program's own version
    int mainLeft = 268;
    int mainTop = 141;
    bool onTop = false;
    int volume = 104;    // volume marker position, 0..104
    float balans = 0.0f; // pan, -1.0 (left) .. +1.0 (right)
    int balansX = 48;    // balance marker position
    int runStringScroll = 0;
    int playMode = 0;
    int timeMode = 0;     // 0 remaining time, anything else elapsed time
    int color = 14375437; // skin colour as a Windows COLORREF, RGB(13, 90, 219)
    bool eqShow = false;
    bool eqEnable = false;
    std::array<int, 11> eqParams{15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15};
    bool playListShow = false;
    int playListLeft = 268;
    std::optional<int> playListTop; // missing: the caller places it below the main window
    int playListHeight = 210;
    // Window scale: missing or 0 follows the desktop, 1..4 fixes it. Only a hand edit sets it, and a
    // save leaves it as it was.
    std::optional<int> scale;

    bool operator==(const Settings&) const = default;
};
