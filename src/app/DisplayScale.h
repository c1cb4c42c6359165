#pragma once
#include <QByteArray>

#include <optional>

// How large the windows are drawn. Every picture is painted at 1× and enlarged pixel for pixel, which
// stays sharp only at a whole ratio: a fractional one is rounded to the nearest whole one.
struct ScaleChoice {
    QByteArray scaleFactor;   // for QT_SCALE_FACTOR; empty: leave it unset
    bool followScreen = true; // false: the screen's own ratio is not applied on top
};

// scaleSetting: the Scale key of the settings file (missing or 0 follows the desktop, 1..4 fixes
// the scale whatever the desktop says, anything else reads as missing). scaleFactor: QT_SCALE_FACTOR
// as the user set it.
ScaleChoice ChooseScale(std::optional<int> scaleSetting, const QByteArray& scaleFactor);

// Reads the Scale key of the player's settings file and tells the toolkit the scale to use.
// Must run before the application object exists: the toolkit reads its scale once, when it starts.
void SetUpScale();
