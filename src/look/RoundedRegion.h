#pragma once
#include <QRegion>
#include <QSize>

// The outline of the skin's windows: a rectangle with 10 x 10 corner ellipses.
QRegion RoundedRegion(QSize size);
