#include "WindowSystem.h"

#include <QGuiApplication>
#include <QWidget>

bool CompositorPlacesWindows() {
    // "wayland", "wayland-egl", "wayland-brcm"...: every variant of the toolkit's Wayland platform.
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void OpenOver(QWidget& side, QWidget& owner) {
    if (!CompositorPlacesWindows() || side.parentWidget() == &owner) return;
    // A window with a parent widget gets its parent's surface as its transient parent when the
    // toolkit makes its surface, at every show.
    side.setParent(&owner, side.windowFlags());
}
