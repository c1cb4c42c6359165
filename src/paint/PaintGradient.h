#pragma once
#include <QColor>
#include <QPainter>
#include <QRect>
#include <vector>

// Fills rect with one-pixel lines that fade through colors, colour i at the start of segment i and
// colour i + 1 at its end. horizontal false runs the colours top to bottom (every line horizontal),
// true runs them left to right. The rect's right and bottom edges are exclusive
// (x() .. x() + width()). Lines are clipped to rect. The painter's pen, brush and font are left
// untouched. Fewer than two colours is a programming error: it asserts, and draws nothing where
// assertions are off.
void PaintGradient(QPainter& painter, const QRect& rect, bool horizontal, const std::vector<QColor>& colors);
