#pragma once
// The equalizer as it was written first, kept as the oracle for the fast one:
// one band at a time over the whole block, left then right, float samples
// between bands, a 0 dB band passing the signal and remembering it.

#include "BiquadCoefficients.h"

#include <cmath>
#include <vector>

class ReferenceBand {
  public:
    BiquadCoefficients c{1.0, 0.0, 0.0, 0.0, 0.0};

    void reset() { h_[0] = h_[1] = History{}; }

    void process(float* s, int frames) {
        if (frames <= 0) return;
        if (c.b0 == 1.0 && c.b1 == c.a1 && c.b2 == c.a2) {
            for (int ch = 0; ch < 2; ++ch) {
                History& h = h_[ch];
                h.x2 = h.y2 = frames > 1 ? s[2 * (frames - 2) + ch] : h.x1;
                h.x1 = h.y1 = s[2 * (frames - 1) + ch];
            }
            return;
        }
        for (int i = 0; i < frames; ++i)
            for (int ch = 0; ch < 2; ++ch) {
                History& h = h_[ch];
                const double x = s[2 * i + ch];
                const double y = c.b0 * x + c.b1 * h.x1 + c.b2 * h.x2 - c.a1 * h.y1 - c.a2 * h.y2;
                h.x2 = h.x1;
                h.x1 = x;
                h.y2 = h.y1;
                h.y1 = y;
                s[2 * i + ch] = static_cast<float>(y);
            }
        for (History& h : h_) {
            h.y1 = std::fabs(h.y1) < 1e-25 ? 0.0 : h.y1;
            h.y2 = std::fabs(h.y2) < 1e-25 ? 0.0 : h.y2;
        }
    }

  private:
    struct History {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    };
    History h_[2];
};

inline void ProcessReference(std::vector<ReferenceBand>& bands, float* s, int frames) {
    for (ReferenceBand& b : bands)
        b.process(s, frames);
}

inline double MaxAbsDifference(const std::vector<float>& a, const std::vector<float>& b) {
    double m = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        m = std::fmax(m, std::fabs(double(a[i]) - double(b[i])));
    return a.size() == b.size() ? m : INFINITY;
}
