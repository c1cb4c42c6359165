#pragma once
#include <QImage>
#include <cstdint>

// One point of the seek bar's dotted progress line, meant as the StepLine callback (the caller adds
// the end point by hand). `counter` carries the pattern's phase from point to point, line to line
// and paint to paint, and each point advances it by one: five points of dots, then five points of
// single pixels. It wraps like a 32-bit counter; the phase follows it modulo 10 taken as
// non-negative. Its owner (the seek bar) keeps it, so no two lines share a phase by accident.
// A dot covers the box (x - 1, y - 1) .. (x + 2, y + 2), right and bottom exclusive: the 3 x 3
// ellipse drawn without antialiasing, that is a plus sign whose four arms are `skin` and whose
// centre (x, y) is grey; the box's corners are left as they were. On a single-pixel phase only
// (x, y) is set to grey. Pixels outside the image are skipped. The image holds 32-bit pixels
// (Format_RGB32 or Format_ARGB32): the seek bar sets three points at every step, and a painter
// would cost many times the pixels themselves.
void DotLineProc(int x, int y, QImage& image, QRgb skin, std::int32_t& counter);
