#pragma once
// Pictures for a window shown at a whole device pixel ratio (2 on a HiDPI screen). The skin's
// shapes are drawn in box pixels, exactly as at 1×, and enlarged pixel for pixel, so their edges
// stay as crisp as the skin was drawn; the texts are then drawn over them at the device's
// resolution. At scale 1 nothing changes: the picture is the one drawn in box pixels.
#include <QImage>
#include <QPainter>

// Makes `picture` an empty `size` picture in box pixels again when an earlier one was enlarged,
// before its shapes are drawn.
void BeginShapes(QImage& picture, QSize size);

// `picture` enlarged `scale` times pixel for pixel, with that ratio, so that a painter on it keeps
// working in box pixels. The picture itself at scale 1.
QImage EnlargedPicture(const QImage& picture, int scale);

// Enlarges the shapes the painter drew on `picture` so far and turns the painter onto the enlarged
// picture, its font, pen, brush and hints kept: what it draws next, the texts, lands at device
// resolution. Nothing happens at scale 1.
void BeginTexts(QPainter& painter, QImage& picture, int scale);
