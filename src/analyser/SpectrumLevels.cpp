#include "SpectrumLevels.h"

#include <algorithm>
#include <cmath>

int SpectrumLevels::targetHeightPx(float magnitude) {
    // The product stays in single precision on purpose: it makes 0.03 reach the threshold and 0.072
    // the full height, where double precision would truncate both a pixel short.
    const float scaled = std::fabs(magnitude) * kPixelsPerUnit;
    if (std::isnan(scaled)) return 0;
    if (scaled >= float(kHeightLimitPx)) return kHeightLimitPx;
    return int(scaled);
}

int SpectrumLevels::nextHeightPx(int bar, std::span<const float> magnitudes) const {
    const float magnitude = std::size_t(bar) < magnitudes.size() ? magnitudes[std::size_t(bar)] : 0.0f;
    const int target = targetHeightPx(magnitude);
    if (target >= kThresholdPx) return target;
    return std::max(heightsPx_[std::size_t(bar)] - kDecayStepPx, 0);
}

bool SpectrumLevels::step(std::span<const float> magnitudes) {
    bool changed = false;
    for (int bar = 0; bar < kBarCount; ++bar) {
        const int next = nextHeightPx(bar, magnitudes);
        changed = changed || next != heightsPx_[std::size_t(bar)];
        heightsPx_[std::size_t(bar)] = next;
    }
    return changed;
}

bool SpectrumLevels::wouldChange(std::span<const float> magnitudes) const {
    for (int bar = 0; bar < kBarCount; ++bar)
        if (nextHeightPx(bar, magnitudes) != heightsPx_[std::size_t(bar)]) return true;
    return false;
}
