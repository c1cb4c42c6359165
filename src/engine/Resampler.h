#pragma once
// Turns interleaved float audio of 1 to kMaxChannels channels at the file's rate into stereo at
// the output rate, and queues it until read. Mono plays at full level on both sides; more
// channels fold down to two.
//
// Threads: one at a time (the stream's decoder owns it). Allocates.

#include "StereoQueue.h"

#include <array>
#include <cstddef>
#include <vector>

struct soxr;

class Resampler {
  public:
    static constexpr int kMaxChannels = 32;

    Resampler() = default;
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    bool configure(int channels, int inRate, int outRate);
    bool push(const float* interleaved, int frames);
    // Hands out what the filter still holds, at the end of the stream.
    void drain();
    // Copies up to `frames` queued frames to `stereo`; returns how many.
    int pull(float* stereo, int frames);
    int queuedFrames() const { return queue_.frames(); }
    // Forgets queued output and the filter's history (after a seek).
    void clear();

  private:
    void foldToStereo(const float* in, int frames, float* out) const;

    soxr* soxr_ = nullptr; // none when the rates match
    int channels_ = 0;
    int inRate_ = 0;
    int outRate_ = 0;
    std::array<float, 2 * kMaxChannels> matrix_{}; // left and right weight of each channel
    std::vector<float> stereo_;                    // folded, before the rate change
    StereoQueue queue_;
};
