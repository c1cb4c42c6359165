#pragma once
#include <QRegion>
#include <QSize>

// The outline of the skin's windows: a rectangle with corner ellipses `ellipse` pixels wide and
// high (10 x 10 for every window). All four corners are mirror images of one another.
QRegion RoundedRegion(QSize size, int ellipse = 10);

// The one-pixel line a pen draws around a rounded rectangle filling `size`, its corners arcs of
// an ellipse `ellipse` pixels across (the title-bar buttons' 5 x 5 frames). Symmetric as above.
QRegion RoundedOutline(QSize size, int ellipse);
