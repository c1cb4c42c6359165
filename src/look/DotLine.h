#pragma once
#include <QPainter>
#include <cstdint>

// One point of the seek bar's dotted progress line, meant as the StepLine callback (the caller adds
// the end point by hand). The process-wide DotCounter carries the pattern's phase from point to
// point, line to line and paint to paint: five points of dots, then five points of single pixels.
// A dot covers the box (x - 1, y - 1) .. (x + 2, y + 2), right and bottom exclusive: the 3 x 3
// ellipse drawn without antialiasing, that is a plus sign whose four arms are SkinColor and whose
// centre (x, y) is grey; the box's corners are left as they were. On a single-pixel phase only
// (x, y) is set to grey. Leaves the painter's pen colour at SkinColor and its brush solid grey.
void DotLineProc(int x, int y, QPainter& painter);

// The phase counter, for tests and for a caller that needs a known start. Wraps like a 32-bit
// counter; the phase follows the counter modulo 10 taken as non-negative.
std::int32_t DotCounter();
void SetDotCounter(std::int32_t value);
