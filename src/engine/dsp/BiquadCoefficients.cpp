#include "BiquadCoefficients.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr BiquadCoefficients kPassThrough{1.0, 0.0, 0.0, 0.0, 0.0};

// Keeps the band away from Nyquist (where sin(w0) -> 0) and from 0 Hz.
constexpr double kMaxCenterOfRate = 0.49;
constexpr double kMinCenterHz = 1.0;
// A zero-width band has no meaning; a very wide one only overflows sinh().
constexpr double kMinBandwidthSemitones = 0.1;
constexpr double kMaxBandwidthSemitones = 120.0;
constexpr double kMaxAbsGainDb = 60.0;

} // namespace

BiquadCoefficients PeakingCoefficients(double sampleRate, double centerHz, double bandwidthSemitones,
                                       double gainDb) {
    if (!std::isfinite(sampleRate) || sampleRate <= 0.0 || !std::isfinite(centerHz) ||
        !std::isfinite(bandwidthSemitones) || !std::isfinite(gainDb))
        return kPassThrough;

    const double center = std::clamp(centerHz, kMinCenterHz, kMaxCenterOfRate * sampleRate);
    const double octaves =
        std::clamp(bandwidthSemitones, kMinBandwidthSemitones, kMaxBandwidthSemitones) / 12.0;
    const double gain = std::clamp(gainDb, -kMaxAbsGainDb, kMaxAbsGainDb);

    const double a = std::pow(10.0, gain / 40.0);
    const double w0 = 2.0 * std::numbers::pi * center / sampleRate;
    const double sinW0 = std::sin(w0);
    const double cosW0 = std::cos(w0);
    const double alpha = sinW0 * std::sinh(std::numbers::ln2 / 2.0 * octaves * w0 / sinW0);
    if (!std::isfinite(alpha)) return kPassThrough;

    const double a0 = 1.0 + alpha / a;
    return BiquadCoefficients{
        (1.0 + alpha * a) / a0, -2.0 * cosW0 / a0,      (1.0 - alpha * a) / a0,
        -2.0 * cosW0 / a0,      (1.0 - alpha / a) / a0,
    };
}
