#pragma once
// The cascade's x86 paths, each callable on its own so that tests can hold
// every one of them to the plain formula on a machine that would only ever
// run one. Everything else calls RunBiquadCascade(), which picks the path.
//
// All of them share RunBiquadCascade()'s contract: same output bits, same
// histories, no locks, no allocation.

#include "BiquadCascade.h"

#if defined(__SSE2__)

// True when both the CPU and the operating system run AVX code.
bool CascadeAvxAvailable();

// What every x86-64 CPU runs.
void RunBiquadCascadeSse2(StereoBiquad* const* stages, int count, float* interleavedStereo, int frames);

// Only where CascadeAvxAvailable(): anywhere else it stops on an illegal instruction.
void RunBiquadCascadeAvx(StereoBiquad* const* stages, int count, float* interleavedStereo, int frames);

#endif
