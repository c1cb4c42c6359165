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

#include "BiquadCascade.h"
#include "BiquadCoefficients.h"

class PeakingEq {
  public:
    // Keeps the delay state, so changes never click.
    void setCoefficients(const BiquadCoefficients& c);
    void process(float* interleavedStereo, int frames);
    // Forgets the past signal (a new stream or a seek).
    void reset();

    // Runs bands[0], bands[1], ... in turn over the block: the same sound and
    // the same histories as calling process() on each, only faster.
    static void processChain(PeakingEq* const* bands, int count, float* interleavedStereo, int frames);

  private:
    bool isIdentity() const;
    void followSignal(const float* last, const float* before);
    void flushTinyHistory();

    StereoBiquad biquad_;
};
