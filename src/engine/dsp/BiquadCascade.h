#pragma once
// Several stereo biquads run one after another over the same block.
//
// The result is the same, to the last bit, as running each stage over the
// whole block in turn with the plain formula (float samples between stages,
// double arithmetic inside, the five products summed in the written order).
// It is faster because neighbouring stages work as a wavefront: while one
// stage is on frame n the next is on frame n - 1, so their recursions, each
// of which waits on its own last output, overlap in the floating-point units.
// Where the CPU has AVX (asked once, at start-up), two stages also share each
// register; the output stays the same.
//
// Threads: any, one caller per stage at a time; no locks, no allocation.

#include "BiquadCoefficients.h"

// Past inputs and outputs of both channels, {left, right}, so that one SSE2
// register holds a pair.
struct StereoHistory {
    alignas(16) double x1[2] = {0, 0};
    alignas(16) double x2[2] = {0, 0};
    alignas(16) double y1[2] = {0, 0};
    alignas(16) double y2[2] = {0, 0};
};

struct StereoBiquad {
    BiquadCoefficients c{1.0, 0.0, 0.0, 0.0, 0.0};
    StereoHistory h;
};

// Runs stages[0], stages[1], ... in turn over interleaved stereo float audio,
// in place, each stage reading the float output of the one before. Keeps each
// stage's history (unflushed, as the formula left it).
void RunBiquadCascade(StereoBiquad* const* stages, int count, float* interleavedStereo, int frames);
