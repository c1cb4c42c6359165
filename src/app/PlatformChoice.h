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

// The windows dock, drag and place themselves by screen coordinates, which only X11 gives a
// program. In a Wayland session this names the toolkit's platform to start on: "xcb" when the
// session offers XWayland, else "wayland" (the windows work; their places are the compositor's).
// Empty when the user chose a platform (QT_QPA_PLATFORM, or -platform among arguments) or the
// session is not Wayland: the toolkit's own choice stands.
QByteArray ChoosePlatform(const PlatformEnvironment& environment, const QByteArrayList& arguments);

// Reads the environment and arguments and sets QT_QPA_PLATFORM when a platform was chosen.
// Must run before the application object exists.
void SetUpPlatform(int argc, char** argv);
