#include "DisplayScale.h"

#include "HomeFolder.h"
#include "SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kLargestFixedScale = 4;
constexpr double kLargestScale = 100; // beyond any screen: keeps absurd values from overflowing

// HomeFolder() asks the application object for the executable's folder; there is none yet.
QString OptionsPathBeforeStart() {
    const QString executable = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    return ResolveHomeFolder(qEnvironmentVariable("VEXO_HOME"), QFileInfo(executable).path(),
                             qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath()) +
           "/Data/Options.ini";
}
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
        ChooseScale(LoadSettings(OptionsPathBeforeStart()).scale, qgetenv("QT_SCALE_FACTOR"));
    if (choice.scaleFactor.isEmpty())
        qunsetenv("QT_SCALE_FACTOR");
    else
        qputenv("QT_SCALE_FACTOR", choice.scaleFactor);
    if (!choice.followScreen) {
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
        qunsetenv("QT_SCREEN_SCALE_FACTORS");
    }
}
