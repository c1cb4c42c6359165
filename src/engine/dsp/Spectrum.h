#pragma once
// Magnitude spectrum of 1024 mono samples, as the analyser shows it.
//
// A pure function object: the window table and the FFT context are built in
// the constructor, so compute() neither allocates nor fails. One instance per
// thread (compute() uses its own scratch buffers).

#include <cstddef>

struct AVTXContext;

class Spectrum {
  public:
    static constexpr int kSamples = 1024;
    static constexpr int kBins = kSamples / 2;

    Spectrum();
    ~Spectrum();
    Spectrum(const Spectrum&) = delete;
    Spectrum& operator=(const Spectrum&) = delete;

    // Hann window, then |X[k]| for k = 0..511, scaled by 2 / sum(window)
    // (= |X[k]| * 4 / 1024), so a full-scale sine centred on bin k reads 1.0 there.
    void compute(const float* samples1024, float* magnitudes512);

  private:
    // Same type as FFmpeg's av_tx_fn, spelled out so users need no FFmpeg headers.
    using TxFunction = void (*)(AVTXContext*, void*, void*, std::ptrdiff_t);
    AVTXContext* tx_ = nullptr;
    TxFunction transform_ = nullptr;
    float* window_ = nullptr; // aligned, as av_tx asks
    float* input_ = nullptr;
    float* output_ = nullptr; // kBins + 1 complex values
};
