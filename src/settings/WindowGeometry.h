#pragma once
#include <QList>
#include <QRect>

// The place of a window restored from the settings file, made to lie wholly within screen (the
// available desktop): a hand-edited or stale file cannot put a window where it cannot be reached,
// nor make it so large that merely creating it exhausts memory. A window that sticks out is moved
// back in with the size the user gave it; only one larger than the screen is cut to the screen, but
// not below minimumSize, which the window keeps anyway (from the screen's top-left corner then).
// Takes the place as a corner and sizes, since a rectangle cannot hold every pair read from a file.
QRect FitOnScreen(QPoint topLeft, QSize size, QSize minimumSize, const QRect& screen);

// As FitOnScreen among several screens (their available rectangles). A window wholly on the screens,
// across two side by side say, stays where it is; any other is fitted onto the screen it overlaps
// most or, overlapping none, the one nearest to it: a place saved on a monitor that is gone, or in
// the gap beside a smaller one, comes back onto a screen that is there.
QRect FitOnScreens(QPoint topLeft, QSize size, QSize minimumSize, const QList<QRect>& screens);

struct DockedPlaces {
    QRect main;
    QRect playlist;
};
// The main window and the playlist window docked right under it, fitted as one window: moved
// together, so that the playlist stays docked and keeps its height, which is cut to the room under
// the main window only when the two are taller than the screen. As wide as the main window.
DockedPlaces FitDocked(QPoint mainTopLeft, QSize mainSize, int playlistHeight, int playlistMinimumHeight,
                       const QList<QRect>& screens);
