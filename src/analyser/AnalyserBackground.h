#pragma once
#include <QImage>

// The analyser's background picture, 104 x 40: the rows of the main window's gradient that the box
// covers, the box standing at `top` in a window `windowHeight` high. The window's gradient stretches
// with its height, so the picture must follow it, or the box shows as a block of another grey once
// the equalizer panel opens.
QImage AnalyserBackground(int windowHeight, int top);
