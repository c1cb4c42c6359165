#pragma once
// Converts decoded audio of any layout, sample format and rate into
// interleaved stereo float at the output rate, and queues it until read.
//
// Threads: one at a time (the stream's decoder owns it). Allocates.

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

#include "StereoQueue.h"

#include <cstdint>

struct SwrContext;

class SwrResampler {
  public:
    SwrResampler() = default;
    ~SwrResampler();
    SwrResampler(const SwrResampler&) = delete;
    SwrResampler& operator=(const SwrResampler&) = delete;

    bool configure(const AVChannelLayout& inLayout, AVSampleFormat inFormat, int inRate, int outRate);
    // `planes` as FFmpeg lays them out (one pointer for packed formats).
    bool push(const std::uint8_t* const* planes, int frames);
    // Hands out what the filter still holds, at the end of the stream, so that the output since
    // configure() or clear() is the input's length at the output rate, rounded.
    void drain();
    // Copies up to `frames` queued frames to `stereo`; returns how many.
    int pull(float* stereo, int frames);
    int queuedFrames() const { return queue_.frames(); }
    // Forgets queued output and the filter's history (after a seek).
    void clear();

  private:
    // Queues no more than `limit` frames in all since configure() or clear().
    bool convert(const std::uint8_t* const* planes, int frames, std::int64_t limit);

    SwrContext* swr_ = nullptr;
    int inRate_ = 0;
    int outRate_ = 0;
    std::int64_t framesIn_ = 0, framesOut_ = 0;
    StereoQueue queue_;
};
