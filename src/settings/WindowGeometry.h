#pragma once
#include <QRect>

// The place of a window restored from the settings file, made to lie wholly within screen (the
// available desktop): a hand-edited or stale file cannot put a window where it cannot be reached,
// nor make it so large that merely creating it exhausts memory. A window too long for the room
// from its edge to the screen's edge is first shortened, down to its minimum size, so that it stays
// where it was put (below the main window, say); only what still sticks out is moved back in.
// Takes the place as a corner and sizes, since a rectangle cannot hold every pair read from a file.
QRect FitOnScreen(QPoint topLeft, QSize size, QSize minimumSize, const QRect& screen);
