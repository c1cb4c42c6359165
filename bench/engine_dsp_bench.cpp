// Audio-thread DSP cost per output block: eleven equalizer bands, and one
// analyser spectrum.
#include "EqBank.h"
#include "PeakingEq.h"
#include "Spectrum.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

// Eleven bands over a 1024-frame stereo block (23 ms at 44.1 kHz), run as the
// engine runs them: through a stream's band bank.
static void eq_11_bands_1024_frames_us(benchmark::State& state) {
    const double centres[] = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 12000, 16000};
    EqBank bank;
    for (int i = 0; i < 11; ++i)
        bank.claimBand(PeakingCoefficients(44100, centres[i], 12, i % 2 ? 6 : -6));
    bank.beginBlock();
    std::vector<float> block(2 * 1024);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = float(0.3 * std::sin(0.01 * double(i)));
    for (auto _ : state) {
        bank.process(block.data(), 1024);
        benchmark::DoNotOptimize(block.data());
    }
}
BENCHMARK(eq_11_bands_1024_frames_us)->Unit(benchmark::kMicrosecond);

static void spectrum_1024_us(benchmark::State& state) {
    Spectrum spectrum;
    std::vector<float> in(1024), out(512);
    for (int i = 0; i < 1024; ++i)
        in[i] = float(0.5 * std::sin(0.3 * i));
    for (auto _ : state) {
        spectrum.compute(in.data(), out.data());
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(spectrum_1024_us)->Unit(benchmark::kMicrosecond);
