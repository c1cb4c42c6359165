#pragma once
// Base of the outputs that have no device clock of their own (null, WAV): a
// thread that renders one block, hands it to consume(), and sleeps until the
// block would have been heard. Unpaced, it renders as fast as the callback
// allows; manual, it renders only when pump() is called.
//
// The thread never locks or allocates: the block buffer is made in open(), the
// flags are atomics, and the pace comes from sleep_until on a steady clock so
// that a late block does not drift the schedule.

#include "AudioOutput.h"

#include <atomic>
#include <thread>
#include <vector>

class PacedOutput : public AudioOutput {
  public:
    enum class Pacing { RealTime, Unpaced, Manual };

    explicit PacedOutput(Pacing pacing, int blockMs = 20);
    ~PacedOutput() override;

    bool open(int preferredRate, RenderCallback render) override;
    int rate() const override { return rate_; }
    void start() override;
    void stop() override;
    void close() override;
    std::int64_t framesWritten() const override { return framesWritten_.load(std::memory_order_acquire); }
    std::int64_t latencyFrames() const override;
    bool healthy() const override { return healthy_.load(std::memory_order_acquire); }

    // Manual pacing: renders `frames` now on the caller's thread (which then
    // plays the audio thread's part). Returns the frames rendered: 0 when not
    // started or no longer healthy.
    int pump(int frames);
    int blockFrames() const { return blockFrames_; }
    Pacing pacing() const { return pacing_; }

  protected:
    // Called by open() with the granted rate, before any block.
    virtual bool openSink(int rate) = 0;
    // Takes one rendered block on the output's thread, after the callback has
    // returned. False means the sink broke: the output turns unhealthy and stops.
    virtual bool consume(const float* block, int frames) = 0;
    virtual void closeSink() = 0;
    // Extra frames a test may ask the output to pretend are in flight.
    virtual std::int64_t extraLatencyFrames() const { return 0; }
    void markUnhealthy() { healthy_.store(false, std::memory_order_release); }
    // Renders and consumes one block; false when the output must stop.
    bool renderBlock(int frames);

  private:
    void run();

    const Pacing pacing_;
    const int blockMs_;
    int rate_ = 0;
    int blockFrames_ = 0;
    bool open_ = false;
    RenderCallback render_;
    std::vector<float> block_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> healthy_{true};
    std::atomic<std::int64_t> framesWritten_{0};
};
