#include "PlatformChoice.h"

#include <QtGlobal>

QByteArray ChoosePlatform(const PlatformEnvironment& environment, const QByteArrayList& arguments) {
    if (!environment.qtPlatform.isEmpty()) return {};
    // The toolkit takes its options with one dash or two.
    for (const QByteArray& argument : arguments)
        if (argument == "-platform" || argument == "--platform") return {};
    const bool wayland = !environment.waylandDisplay.isEmpty() || environment.sessionType == "wayland";
    if (!wayland) return {};
    // The toolkit tries the platforms in turn: one whose module is not installed, or that cannot
    // reach its display, gives way to the next.
    return environment.x11Display.isEmpty() ? QByteArray("wayland") : QByteArray("wayland;xcb");
}

void SetUpPlatform(int argc, char** argv) {
    QByteArrayList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    const QByteArray platform = ChoosePlatform({qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"),
                                                qgetenv("XDG_SESSION_TYPE"), qgetenv("DISPLAY")},
                                               arguments);
    if (!platform.isEmpty()) qputenv("QT_QPA_PLATFORM", platform);
}
