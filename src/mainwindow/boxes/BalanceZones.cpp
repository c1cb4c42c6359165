#include "BalanceZones.h"

namespace {
// Five-pixel zones from x 0; the values are the single floats nearest to the decimals.
constexpr float kLeftPans[10] = {-1.0f, -0.9f, -0.8f, -0.7f, -0.6f, -0.5f, -0.4f, -0.3f, -0.2f, -0.1f};

struct RightZone {
    int firstX, lastX;
    float pressPan, dragPan;
};
// The zone 91..94 has no value of its own in the bar's design; it continues the 85.. zone so the
// pan never falls while the marker moves right.
constexpr RightZone kRightZones[] = {
    {56, 59, 0.1f, 0.1f}, {60, 64, 0.2f, 0.2f}, {65, 69, 0.3f, 0.3f}, {70, 74, 0.4f, 0.4f},
    {75, 79, 0.5f, 0.5f}, {80, 84, 0.6f, 0.7f}, {85, 94, 0.7f, 0.9f}, {95, 98, 0.8f, 1.0f},
};
} // namespace

std::optional<BalanceSetting> BalanceForX(int x, bool dragging) {
    if (x < 0 || x > 98) return std::nullopt;
    if (x < 50) return BalanceSetting{kLeftPans[x / 5], x};
    if (x <= 55) return BalanceSetting{0.0f, 48};
    for (const RightZone& zone : kRightZones)
        if (x >= zone.firstX && x <= zone.lastX)
            return BalanceSetting{dragging ? zone.dragPan : zone.pressPan, x};
    return std::nullopt;
}

QString BalanceText(float pan, const QLocale& locale) {
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(double(pan), 'g', 15);
}

QString BalanceHintNumber(float pan, const QLocale& locale) {
    if (pan == 0.0f) return locale.toString(0); // also for -0, which a settings file may hold
    const QString text = BalanceText(pan, locale);
    const qsizetype separator = text.indexOf(locale.decimalPoint());
    return separator < 0 ? text.left(2) : text.left(separator + 3);
}
