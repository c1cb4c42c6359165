#include "WindowManagerRunning.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

bool WindowManagerRunning() {
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11) {
        const QString platform = QGuiApplication::platformName();
        return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
    }
    xcb_connection_t* connection = x11->connection();
    static const char kSelection[] = "WM_S0";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, std::strlen(kSelection), kSelection), nullptr);
    // Nobody ever named the selection: nobody holds it.
    if (!atom || atom->atom == XCB_ATOM_NONE) {
        std::free(atom);
        return false;
    }
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const bool held = owner && owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
    std::free(atom);
    return held;
}
