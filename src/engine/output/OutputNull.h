#pragma once
// An output that hears nothing: it consumes audio at the pace of a real
// device and counts as one sound device. Its settings let a test make it
// misbehave the way real devices do (none present, latency, going away while
// playing), so the engine's handling of those cases can be checked headless.

#include "PacedOutput.h"

class OutputNull : public PacedOutput {
  public:
    struct Settings {
        Pacing pacing = Pacing::RealTime;
        // A device's period: long enough that the output thread wakes only
        // 20 times a second, short enough that a change is heard within it.
        int blockMs = 50;
        // 0 behaves like a machine without a sound device: open() fails.
        int devices = 1;
        // Pretends a device buffer of this many frames is always in flight.
        std::int64_t extraLatencyFrames = 0;
        // The device goes away once it has taken this many frames (-1: never).
        std::int64_t loseDeviceAfterFrames = -1;
    };

    OutputNull() : OutputNull(Settings{}) {}
    explicit OutputNull(const Settings& settings);
    ~OutputNull() override;

    int deviceCount() override { return settings_.devices; }
    // The device disappears now (any thread): healthy() turns false and the
    // callback is not called again.
    void loseDevice() { lost_.store(true, std::memory_order_release); }

  protected:
    bool openSink(int rate) override;
    bool consume(const float* block, int frames) override;
    void closeSink() override {}
    std::int64_t extraLatencyFrames() const override { return settings_.extraLatencyFrames; }

  private:
    const Settings settings_;
    std::atomic<bool> lost_{false};
};
