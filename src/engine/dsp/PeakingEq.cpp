#include "PeakingEq.h"

#include <cmath>

namespace {

// Below this the recursion only produces denormals, which are slow on x86.
constexpr double kDenormalFloor = 1e-25;

double flushTiny(double v) {
    return std::fabs(v) < kDenormalFloor ? 0.0 : v;
}

// Bands handed to the cascade at once; longer chains go in several calls.
constexpr int kChunk = 16;

} // namespace

void PeakingEq::setCoefficients(const BiquadCoefficients& c) {
    biquad_.c = c;
}

void PeakingEq::reset() {
    biquad_.h = StereoHistory{};
}

void PeakingEq::process(float* interleavedStereo, int frames) {
    PeakingEq* self = this;
    processChain(&self, 1, interleavedStereo, frames);
}

bool PeakingEq::isIdentity() const {
    const BiquadCoefficients& c = biquad_.c;
    return c.b0 == 1.0 && c.b1 == c.a1 && c.b2 == c.a2;
}

// A 0 dB band is the identity; its history is then just the last inputs, so a
// later gain change still continues from the real signal. `before` is null
// for a one-frame block: the frame before it is the one remembered last time.
void PeakingEq::followSignal(const float* last, const float* before) {
    StereoHistory& h = biquad_.h;
    for (int ch = 0; ch < 2; ++ch) {
        h.x2[ch] = h.y2[ch] = before ? before[ch] : h.x1[ch];
        h.x1[ch] = h.y1[ch] = last[ch];
    }
}

void PeakingEq::flushTinyHistory() {
    StereoHistory& h = biquad_.h;
    for (int ch = 0; ch < 2; ++ch) {
        h.y1[ch] = flushTiny(h.y1[ch]);
        h.y2[ch] = flushTiny(h.y2[ch]);
    }
}

void PeakingEq::processChain(PeakingEq* const* bands, int count, float* interleavedStereo, int frames) {
    if (frames <= 0 || count <= 0) return;
    // What an identity band saw is the output of the filtering band before
    // it, or the block as it came in; the latter is overwritten, so keep it.
    const float* lastFrame = interleavedStereo + 2 * (frames - 1);
    const float inputLast[2] = {lastFrame[0], lastFrame[1]};
    const float inputBefore[2] = {frames > 1 ? lastFrame[-2] : 0.0f, frames > 1 ? lastFrame[-1] : 0.0f};

    StereoBiquad* chunk[kChunk] = {};
    int filled = 0;
    for (int i = 0; i < count; ++i) {
        if (bands[i]->isIdentity()) continue;
        chunk[filled++] = &bands[i]->biquad_;
        if (filled == kChunk) {
            RunBiquadCascade(chunk, filled, interleavedStereo, frames);
            filled = 0;
        }
    }
    RunBiquadCascade(chunk, filled, interleavedStereo, frames);

    // A filtering band's last two outputs, as floats, are what the next band read.
    float last[2] = {inputLast[0], inputLast[1]};
    float before[2] = {inputBefore[0], inputBefore[1]};
    for (int i = 0; i < count; ++i) {
        PeakingEq& band = *bands[i];
        if (band.isIdentity()) {
            band.followSignal(last, frames > 1 ? before : nullptr);
            continue;
        }
        const StereoHistory& h = band.biquad_.h;
        for (int ch = 0; ch < 2; ++ch) {
            last[ch] = static_cast<float>(h.y1[ch]);
            before[ch] = static_cast<float>(h.y2[ch]);
        }
        band.flushTinyHistory();
    }
}
