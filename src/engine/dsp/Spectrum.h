#pragma once
// Magnitude spectrum of 1024 mono samples, as the analyser shows it.
//
// A pure function object: the window, twiddle and bit-reversal tables are built
// in the constructor, so compute() neither allocates nor fails. One instance per
// thread (compute() uses its own scratch buffer). The transform is our own: the
// analyser is the only user, and linking a codec library's utilities for it
// would map that library (and what it pulls in) into every player.

#include <array>

class Spectrum {
  public:
    static constexpr int kSamples = 1024;
    static constexpr int kBins = kSamples / 2;

    Spectrum();

    // Hann window, then |X[k]| for k = 0..511, scaled by 2 / sum(window)
    // (= |X[k]| * 4 / 1024), so a full-scale sine centred on bin k reads 1.0 there.
    void compute(const float* samples1024, float* magnitudes512);

  private:
    // The 1024 real samples go in as 512 complex ones (even samples real, odd
    // imaginary); one 512-point transform and a split give the real spectrum.
    static constexpr int kHalf = kSamples / 2;

    std::array<float, kSamples> window_{};
    // e^(-2 pi i k / 512) and e^(-2 pi i k / 1024), as real and imaginary parts.
    std::array<float, kHalf> twiddleRe_{}, twiddleIm_{};
    std::array<float, kBins> splitRe_{}, splitIm_{};
    std::array<unsigned short, kHalf> bitReversed_{};
    std::array<float, kHalf> re_{}, im_{};
};
