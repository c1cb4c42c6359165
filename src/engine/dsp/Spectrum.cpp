#include "Spectrum.h"

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/tx.h>
}

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Sum of the periodic Hann window of N points is N / 2; a sine of amplitude A
// centred on a bin gives |X[k]| = A * sum(window) / 2.
constexpr float kScale = 2.0f / (Spectrum::kSamples / 2.0f);

float* allocFloats(int count) {
    return static_cast<float*>(av_malloc(sizeof(float) * count));
}

} // namespace

Spectrum::Spectrum() {
    window_ = allocFloats(kSamples);
    input_ = allocFloats(kSamples);
    output_ = allocFloats(2 * (kBins + 1));
    if (!window_ || !input_ || !output_) return;
    for (int n = 0; n < kSamples; ++n)
        window_[n] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * n / kSamples));

    const float scale = 1.0f;
    if (av_tx_init(&tx_, &transform_, AV_TX_FLOAT_RDFT, 0, kSamples, &scale, 0) < 0) {
        av_tx_uninit(&tx_);
        transform_ = nullptr;
    }
}

Spectrum::~Spectrum() {
    av_tx_uninit(&tx_);
    av_free(window_);
    av_free(input_);
    av_free(output_);
}

void Spectrum::compute(const float* samples1024, float* magnitudes512) {
    // Only out of memory at construction gets here: an analyser showing
    // nothing is better than a crash.
    if (!transform_) {
        std::fill(magnitudes512, magnitudes512 + kBins, 0.0f);
        return;
    }
    for (int n = 0; n < kSamples; ++n)
        input_[n] = samples1024[n] * window_[n];
    transform_(tx_, output_, input_, sizeof(float));
    for (int k = 0; k < kBins; ++k) {
        const float re = output_[2 * k];
        const float im = output_[2 * k + 1];
        magnitudes512[k] = std::sqrt(re * re + im * im) * kScale;
    }
}
