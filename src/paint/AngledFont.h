#pragma once
#include <QFont>
#include <QPainter>
#include <QPointF>
#include <QString>

// The tilted, condensed title font. Fonts here cannot carry an escapement, so the tilt travels
// beside the font and DrawAngledText applies it as a rotation of the painter.
struct AngledFont {
    QFont font;               // the caller's face at a 25-pixel cell height, squeezed to 5-pixel characters
    qreal angleDegrees = 0.0; // counter-clockwise on screen, in whole tenths of a degree
};

// Builds the title font from base (face, weight, italic and the rest are kept; its size is
// replaced): the pixel size whose cell (ascent + descent) is as tall as 25 pixels without
// exceeding it, and the horizontal stretch that makes the average character 5 pixels wide. The
// angle is rounded to tenths of a degree, ties to even; a non-finite angle counts as 0.
AngledFont SetAngledFont(const QFont& base, float angleDegrees);

// Draws text with the angled font, topLeft being the top-left corner of the text's cell (the point
// the text turns about). The painter's state is restored afterwards; its pen gives the colour.
void DrawAngledText(QPainter& painter, const AngledFont& angled, const QPointF& topLeft, const QString& text);
