#include "PeakingEq.h"

#include <cmath>
#include <initializer_list>

namespace {

// Below this the recursion only produces denormals, which are slow on x86.
constexpr double kDenormalFloor = 1e-25;

double flushTiny(double v) {
    return std::fabs(v) < kDenormalFloor ? 0.0 : v;
}

} // namespace

PeakingEq::PeakingEq() : c_{1.0, 0.0, 0.0, 0.0, 0.0} {}

void PeakingEq::setCoefficients(const BiquadCoefficients& c) {
    c_ = c;
}

void PeakingEq::reset() {
    channel_[0] = channel_[1] = History{};
}

void PeakingEq::process(float* interleavedStereo, int frames) {
    if (frames <= 0) return;
    const BiquadCoefficients c = c_;
    History l = channel_[0], r = channel_[1];
    // A 0 dB band is the identity; its history is then just the last inputs,
    // so a later gain change still continues from the real signal.
    if (c.b0 == 1.0 && c.b1 == c.a1 && c.b2 == c.a2) {
        const float* last = interleavedStereo + 2 * (frames - 1);
        const float* before = frames > 1 ? last - 2 : nullptr;
        l.x2 = l.y2 = before ? before[0] : l.x1;
        r.x2 = r.y2 = before ? before[1] : r.x1;
        l.x1 = l.y1 = last[0];
        r.x1 = r.y1 = last[1];
        channel_[0] = l;
        channel_[1] = r;
        return;
    }
    // Both channels in one pass: two independent recursions keep the
    // floating-point pipeline busy where one would wait on its own result.
    float* s = interleavedStereo;
    for (int i = 0; i < frames; ++i, s += 2) {
        const double xl = s[0], xr = s[1];
        const double yl = c.b0 * xl + c.b1 * l.x1 + c.b2 * l.x2 - c.a1 * l.y1 - c.a2 * l.y2;
        const double yr = c.b0 * xr + c.b1 * r.x1 + c.b2 * r.x2 - c.a1 * r.y1 - c.a2 * r.y2;
        l.x2 = l.x1;
        l.x1 = xl;
        l.y2 = l.y1;
        l.y1 = yl;
        r.x2 = r.x1;
        r.x1 = xr;
        r.y2 = r.y1;
        r.y1 = yr;
        s[0] = static_cast<float>(yl);
        s[1] = static_cast<float>(yr);
    }
    for (History* h : {&l, &r}) {
        h->y1 = flushTiny(h->y1);
        h->y2 = flushTiny(h->y2);
    }
    channel_[0] = l;
    channel_[1] = r;
}
