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

void PeakingEq::processChain(PeakingEq* const* bands, int count, float* interleavedStereo, int frames) {
    constexpr int kMaxChain = 32;
    if (count <= 0 || frames <= 0) return;
    if (count > kMaxChain) {
        for (int b = 0; b < count; ++b) bands[b]->process(interleavedStereo, frames);
        return;
    }
    // A 0 dB band runs in the chain too: its output equals its input exactly,
    // and its history then holds the signal at its own place in the chain.
    PeakingEq* const* live = bands;
    const int n = count;
    BiquadCoefficients c[kMaxChain];
    History l[kMaxChain], r[kMaxChain];
    for (int b = 0; b < n; ++b) {
        c[b] = live[b]->c_;
        l[b] = live[b]->channel_[0];
        r[b] = live[b]->channel_[1];
    }
    float* s = interleavedStereo;
    for (int i = 0; i < frames; ++i, s += 2) {
        double xl = s[0], xr = s[1];
        for (int b = 0; b < n; ++b) {
            const BiquadCoefficients& k = c[b];
            const double yl = k.b0 * xl + k.b1 * l[b].x1 + k.b2 * l[b].x2 - k.a1 * l[b].y1 - k.a2 * l[b].y2;
            const double yr = k.b0 * xr + k.b1 * r[b].x1 + k.b2 * r[b].x2 - k.a1 * r[b].y1 - k.a2 * r[b].y2;
            l[b].x2 = l[b].x1;
            l[b].x1 = xl;
            l[b].y2 = l[b].y1;
            l[b].y1 = yl;
            r[b].x2 = r[b].x1;
            r[b].x1 = xr;
            r[b].y2 = r[b].y1;
            r[b].y1 = yr;
            xl = yl;
            xr = yr;
        }
        s[0] = static_cast<float>(xl);
        s[1] = static_cast<float>(xr);
    }
    for (int b = 0; b < n; ++b) {
        for (History* h : {&l[b], &r[b]}) {
            h->y1 = flushTiny(h->y1);
            h->y2 = flushTiny(h->y2);
        }
        live[b]->channel_[0] = l[b];
        live[b]->channel_[1] = r[b];
    }
}
