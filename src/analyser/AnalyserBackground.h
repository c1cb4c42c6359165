#pragma once
#include <QImage>

// The analyser's background picture: 104 x 41 pixels, each row one uniform grey that darkens from
// the top. The 104 x 40 analyser shows rows 0..39; the last row exists because the picture is one
// row taller than the box it was made for.
QImage AnalyserBackground();
