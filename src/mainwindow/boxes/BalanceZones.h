#pragma once
#include <QLocale>
#include <QString>
#include <optional>

// Where a press or a drag on the balance bar puts the pan and the marker.
struct BalanceSetting {
    float pan = 0;
    int markerX = 48;
};

// The pan for a pointer at x on the balance bar, or nothing outside 0..98. Left of the centre zone
// every five pixels step 0.1; the centre zone 50..55 gives 0 with the marker snapped to 48; right of
// it a drag reaches further than a press (x 82: +0.6 pressed, +0.7 dragged; x 97: +0.8, +1.0).
std::optional<BalanceSetting> BalanceForX(int x, bool dragging);

// The pan as the settings file stores it: 15 significant digits of the single-precision value in
// the locale's notation, no trailing zeros (0.1f gives 0.100000001490116).
QString BalanceText(float pan, const QLocale& locale = QLocale::system());

// The short number of the balance hint: two digits after the decimal separator (cut, not rounded),
// "1"/"-1" for the ends and "0" for the centre.
QString BalanceHintNumber(float pan, const QLocale& locale = QLocale::system());
