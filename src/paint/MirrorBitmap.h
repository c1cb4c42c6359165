#pragma once
#include <QImage>

// Mirrors image in place: left to right when horizontal is true, top to bottom when false. The
// image keeps its format (alpha included), so a glyph drawn on a transparent image stays so.
void MirrorBitmap(QImage& image, bool horizontal);
