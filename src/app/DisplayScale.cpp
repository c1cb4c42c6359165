#include "DisplayScale.h"

#include "HomeFolder.h"
#include "SettingsFile.h"

#include <QGuiApplication>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kLargestFixedScale = 4;
constexpr double kLargestScale = 100; // beyond any screen: keeps absurd values from overflowing

} // namespace

ScaleChoice ChooseScale(std::optional<int> scaleSetting, const QByteArray& scaleFactor) {
    if (scaleSetting && *scaleSetting >= 1 && *scaleSetting <= kLargestFixedScale)
        return {QByteArray::number(*scaleSetting), false};
    bool number = false;
    const double factor = scaleFactor.trimmed().toDouble(&number);
    // Text the toolkit cannot read either is left for it to warn about.
    if (!number || !std::isfinite(factor)) return {scaleFactor, true};
    return {QByteArray::number(std::lround(std::clamp(factor, 1.0, kLargestScale))), true};
}

void SetUpScale() {
    // The screen's own ratio (from its resolution or Xft.dpi) is rounded by the toolkit itself.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
    const ScaleChoice choice =
        ChooseScale(LoadSettings(DataFolder() + "/Options.ini").scale, qgetenv("QT_SCALE_FACTOR"));
    if (choice.scaleFactor.isEmpty())
        qunsetenv("QT_SCALE_FACTOR");
    else
        qputenv("QT_SCALE_FACTOR", choice.scaleFactor);
    if (!choice.followScreen) {
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
        qunsetenv("QT_SCREEN_SCALE_FACTORS");
    }
}
