#pragma once
// Sound through ALSA's "default" device, stereo, float where the device takes
// it and 16-bit otherwise, in periods of ~20 ms with ~80 ms queued.
//
// A thread of our own writes one period whenever there is room. The device is
// opened non-blocking and waited on with a timeout, so stop() is never stuck
// behind a device that has stopped taking data, and a device that takes
// nothing for a while counts as gone.

#include "AudioOutput.h"
#include "LatencyClock.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

typedef struct _snd_pcm snd_pcm_t;

class OutputAlsa : public AudioOutput {
  public:
    explicit OutputAlsa(std::string device = "default");
    ~OutputAlsa() override;

    bool open(int preferredRate, RenderCallback render) override;
    int rate() const override { return rate_; }
    void start() override;
    void stop() override;
    void close() override;
    void flush() override;
    std::int64_t framesWritten() const override { return framesWritten_.load(std::memory_order_acquire); }
    std::int64_t latencyFrames() const override;
    bool healthy() const override { return healthy_.load(std::memory_order_acquire); }
    // Sound cards present; without any, 1 when the device still opens (a sound
    // server behind ALSA's plug-ins), else 0.
    int deviceCount() override;

  private:
    bool configure(int preferredRate);
    void run();
    bool writePeriod();
    void publishLatency();

    const std::string device_;
    snd_pcm_t* pcm_ = nullptr;
    RenderCallback render_;
    int rate_ = 0;
    long periodFrames_ = 0;
    bool floatSamples_ = true;
    bool canPause_ = false;
    bool paused_ = false;
    std::vector<float> block_;
    std::vector<std::int16_t> pcm16_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> healthy_{true};
    std::atomic<std::int64_t> framesWritten_{0};
    LatencyClock latency_;
};
