#pragma once
#include <QByteArray>
#include <QByteArrayList>

// The parts of the environment that decide which window system to start on.
struct PlatformEnvironment {
    QByteArray qtPlatform;     // QT_QPA_PLATFORM
    QByteArray waylandDisplay; // WAYLAND_DISPLAY
    QByteArray sessionType;    // XDG_SESSION_TYPE
    QByteArray x11Display;     // DISPLAY
};

// In a Wayland session this names the toolkit's platforms to try: the compositor itself, where the
// player is sharp at any whole scale and its one surface moves and docks as a unit, then the
// session's XWayland, if it offers one, should the toolkit's Wayland module be missing.
// Empty when the user chose a platform (QT_QPA_PLATFORM, or -platform among arguments: "xcb" there
// is the way to XWayland) or the session is not Wayland: the toolkit's own choice stands.
QByteArray ChoosePlatform(const PlatformEnvironment& environment, const QByteArrayList& arguments);

// Reads the environment and arguments and sets QT_QPA_PLATFORM when a platform was chosen.
// Must run before the application object exists.
void SetUpPlatform(int argc, char** argv);
