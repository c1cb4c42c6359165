#pragma once
// Second-order (biquad) filter coefficients, normalised so that a0 == 1:
//   y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] - a1 y[n-1] - a2 y[n-2]

struct BiquadCoefficients {
    double b0, b1, b2, a1, a2;
};

// Peaking equalizer band in the audio-EQ-cookbook (RBJ) form. The bandwidth is
// given in semitones, as the equalizer's settings store it (octaves = semitones / 12).
// A centre at or above 0.49 * sampleRate is moved to 0.49 * sampleRate, because
// the cookbook formula turns unstable at Nyquist; inputs that make no sense
// (rate <= 0, NaN) give a pass-through filter rather than a broken one.
BiquadCoefficients PeakingCoefficients(double sampleRate, double centerHz, double bandwidthSemitones,
                                       double gainDb);
