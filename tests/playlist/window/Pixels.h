#pragma once
// Pixel counting for painted boxes, rows and windows.
#include <QColor>
#include <QImage>
#include <QRect>

// How many pixels of the area have exactly this colour.
inline int CountColor(const QImage& image, const QRect& area, const QColor& color) {
    int n = 0;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            n += QColor(image.pixel(x, y)).rgb() == color.rgb();
    return n;
}
