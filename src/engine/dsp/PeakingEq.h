#pragma once
// One peaking equalizer band on interleaved stereo float audio.
//
// Threads: used only on the audio thread; no locks, no allocation. Whoever
// publishes new coefficients from the GUI thread hands them over (double
// buffer, atomic index) and calls setCoefficients() at the start of a block.
//
// Direct form I: the delay line holds real past inputs and outputs, so a
// coefficient change mid-stream continues from the same signal instead of
// starting from a state that belongs to another filter — no click.

#include "BiquadCoefficients.h"

class PeakingEq {
  public:
    PeakingEq();
    // Keeps the delay state, so changes never click.
    void setCoefficients(const BiquadCoefficients& c);
    void process(float* interleavedStereo, int frames);
    // Forgets the past signal (a new stream or a seek).
    void reset();

  private:
    struct History {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    };
    BiquadCoefficients c_;
    History channel_[2];
};
