#pragma once
// Test signals and band settings shared by the equalizer equivalence tests.

#include "BiquadCoefficients.h"

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace eqtest {

constexpr double kRate = 44100.0;
constexpr double kCentresHz[] = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 12000, 16000};

enum class Signal { Noise, Sines, NoiseThenSilence };

// Full scale: noise spans [-1, 1], sines peak at 1.
inline std::vector<float> MakeSignal(Signal kind, int frames) {
    std::vector<float> s(2 * static_cast<std::size_t>(frames));
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    for (int i = 0; i < frames; ++i) {
        const double t = i / kRate;
        switch (kind) {
        case Signal::Sines:
            s[2 * i] = static_cast<float>(std::sin(2 * std::numbers::pi * 40 * t));
            s[2 * i + 1] = static_cast<float>(std::sin(2 * std::numbers::pi * 3000 * t));
            break;
        case Signal::NoiseThenSilence:
            if (i >= frames / 4) break;
            [[fallthrough]];
        case Signal::Noise:
            s[2 * i] = noise(random);
            s[2 * i + 1] = noise(random);
            break;
        }
    }
    return s;
}

// Two settings to switch between: every band changes, some to or from 0 dB.
constexpr double kGainsA[] = {12, -12, 0, 6, -6, 0, 12, -9, 3, 0, -12};
constexpr double kGainsB[] = {0, 6, -12, 0, 12, 3, 0, 0, -6, 9, 0};
constexpr double kFlat[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

inline BiquadCoefficients BandCoefficients(int band, const double* gainsDb) {
    return PeakingCoefficients(kRate, kCentresHz[band], 12, gainsDb[band]);
}

} // namespace eqtest
