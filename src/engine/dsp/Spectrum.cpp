#include "Spectrum.h"

#include <cmath>
#include <numbers>

namespace {
// Sum of the periodic Hann window of N points is N / 2; a sine of amplitude A
// centred on a bin gives |X[k]| = A * sum(window) / 2.
constexpr float kScale = 2.0f / (Spectrum::kSamples / 2.0f);
constexpr int kHalfBits = 9; // 512 = 2^9
} // namespace

Spectrum::Spectrum() {
    const double pi = std::numbers::pi;
    for (int n = 0; n < kSamples; ++n)
        window_[n] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * pi * n / kSamples));
    for (int k = 0; k < kHalf; ++k) {
        twiddleRe_[k] = static_cast<float>(std::cos(2.0 * pi * k / kHalf));
        twiddleIm_[k] = static_cast<float>(-std::sin(2.0 * pi * k / kHalf));
    }
    for (int k = 0; k < kBins; ++k) {
        splitRe_[k] = static_cast<float>(std::cos(2.0 * pi * k / kSamples));
        splitIm_[k] = static_cast<float>(-std::sin(2.0 * pi * k / kSamples));
    }
    for (int i = 0; i < kHalf; ++i) {
        int reversed = 0;
        for (int bit = 0; bit < kHalfBits; ++bit)
            reversed |= ((i >> bit) & 1) << (kHalfBits - 1 - bit);
        bitReversed_[i] = static_cast<unsigned short>(reversed);
    }
}

void Spectrum::compute(const float* samples1024, float* magnitudes512) {
    for (int i = 0; i < kHalf; ++i) {
        const int n = 2 * bitReversed_[i];
        re_[i] = samples1024[n] * window_[n];
        im_[i] = samples1024[n + 1] * window_[n + 1];
    }
    // Iterative radix-2 decimation in time over the bit-reversed input.
    for (int size = 2; size <= kHalf; size *= 2) {
        const int half = size / 2, step = kHalf / size;
        for (int start = 0; start < kHalf; start += size)
            for (int j = 0; j < half; ++j) {
                const int a = start + j, b = a + half;
                const float wr = twiddleRe_[j * step], wi = twiddleIm_[j * step];
                const float oddRe = re_[b] * wr - im_[b] * wi, oddIm = re_[b] * wi + im_[b] * wr;
                re_[b] = re_[a] - oddRe;
                im_[b] = im_[a] - oddIm;
                re_[a] += oddRe;
                im_[a] += oddIm;
            }
    }
    // Z = FFT of (even + i odd): E[k] = (Z[k] + conj Z[N-k]) / 2, O[k] = (Z[k] - conj Z[N-k]) / 2i,
    // X[k] = E[k] + e^(-2 pi i k / 1024) O[k].
    for (int k = 0; k < kBins; ++k) {
        const int m = (kHalf - k) % kHalf;
        const float evenRe = 0.5f * (re_[k] + re_[m]), evenIm = 0.5f * (im_[k] - im_[m]);
        const float oddRe = 0.5f * (im_[k] + im_[m]), oddIm = -0.5f * (re_[k] - re_[m]);
        const float xRe = evenRe + splitRe_[k] * oddRe - splitIm_[k] * oddIm;
        const float xIm = evenIm + splitRe_[k] * oddIm + splitIm_[k] * oddRe;
        magnitudes512[k] = std::sqrt(xRe * xRe + xIm * xIm) * kScale;
    }
}
