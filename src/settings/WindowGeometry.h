#pragma once
#include <QList>
#include <QRect>

// The place of a window restored from the settings file, made to lie wholly within screen (the
// available desktop): a hand-edited or stale file cannot put a window where it cannot be reached,
// nor make it so large that merely creating it exhausts memory. A window too long for the room
// from its edge to the screen's edge is first shortened, down to its minimum size, so that it stays
// where it was put (below the main window, say); only what still sticks out is moved back in.
// Takes the place as a corner and sizes, since a rectangle cannot hold every pair read from a file.
QRect FitOnScreen(QPoint topLeft, QSize size, QSize minimumSize, const QRect& screen);

// As FitOnScreen among several screens (their available rectangles). A window wholly on the screens,
// across two side by side say, stays where it is; any other is fitted onto the screen it overlaps
// most or, overlapping none, the one nearest to it: a place saved on a monitor that is gone, or in
// the gap beside a smaller one, comes back onto a screen that is there.
QRect FitOnScreens(QPoint topLeft, QSize size, QSize minimumSize, const QList<QRect>& screens);
