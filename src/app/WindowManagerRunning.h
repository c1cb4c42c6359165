#pragma once

// Whether a window manager runs that minimises windows when asked. On X11 that is whoever holds the
// ICCCM selection WM_S0; a bare X server has nobody and ignores iconify requests. Other window
// systems always have a compositor, except the off-screen and minimal platforms.
bool WindowManagerRunning();
