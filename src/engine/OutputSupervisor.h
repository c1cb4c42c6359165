#pragma once
// The sound output's one owner. Everything that may wait for the sound server
// happens here: choosing the output (one probe), opening it, putting it to
// sleep through silence and waking it, reconnecting after the server went
// away, and rewriting what it queued. An output that fails for good (a
// recording that cannot be written) is closed, never opened afresh over what
// it wrote, and reported. Opening at start-up runs on the
// caller's thread, before any window shows; afterwards the GUI thread only
// posts requests and reads what this publishes, so it never waits for the
// server. Sleep, wake and reconnection run on this supervisor's own thread,
// rewrites on the decoder thread.
//
// Locks: `lock_` guards the output; every function that needs it takes the
// held lock as a parameter. `publishLock_` guards only what the GUI thread
// reads (the output's counters, read as atomics); it is never held while the
// server is waited for. The audio callback takes neither. A close does not
// wait for `lock_` while a reconnection holds it: it tells the output being
// opened to give up first.

#include "AudioOutput.h"
#include "Mixer.h"
#include "WakeSignal.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class OutputSupervisor {
  public:
    // `name` as makeAudioOutput() takes it; "auto" is settled by the first probe.
    OutputSupervisor(Mixer& mixer, std::string name);
    // Stops supervising and closes the output.
    ~OutputSupervisor();
    OutputSupervisor(const OutputSupervisor&) = delete;
    OutputSupervisor& operator=(const OutputSupervisor&) = delete;

    // Start-up: devices the output offers (0: no sound device). The first call probes.
    int deviceCount();
    // Start-up, once: opens the output at `preferredRate` and starts supervising it. `rewind`
    // steps the renderer back for a rewrite (see AudioOutput). False when no output opens.
    bool open(int preferredRate, AudioOutput::RewindCallback rewind);
    // Closes the output for good: once this returns the render callback is not called again. A
    // reconnection under way is given up rather than waited for.
    void close();

    // Any thread: the output's rate, and how much queued audio it may ask for again.
    int rate() const { return rate_.load(std::memory_order_acquire); }
    int rewindFrames() const { return rewindFrames_.load(std::memory_order_acquire); }
    bool asleep() const { return asleep_.load(std::memory_order_acquire); }
    // GUI thread: an output is open and its device has not gone away.
    bool usable() const;
    // GUI thread: the mixer frame being heard now.
    std::int64_t heardFrame() const;

    // Any thread, without waiting: a stream is about to play, so a sleeping output wakes.
    void wake();
    // GUI thread, without waiting: a new output replaces the one that went away.
    void reconnect();
    // Decoder thread, its rings full: the output renders what it queued again.
    void rewrite();
    // Any thread: `report` is called with the reason when the output fails for good (also for a
    // failure before this call), and again at each wish to play after it; on this supervisor's
    // thread, so it must only post.
    void notifyFailure(std::function<void(const std::string&)> report);

  private:
    using Lock = std::unique_lock<std::mutex>;

    void run();
    void choose(const Lock& held);
    bool openOutput(const Lock& held);
    void closeOutput(const Lock& held);
    void wakeOutput(const Lock& held);
    void sleepIfIdle(const Lock& held);
    // The output's final failure, noted for a report; the output is closed.
    void noteFailure(const Lock& held, std::string why);

    Mixer& mixer_;
    const std::string requested_;

    std::mutex lock_;
    std::string chosen_; // the kind settled at the first probe ("" until then)
    int devices_ = -1;   // -1: not probed yet
    int preferredRate_ = 44100;
    AudioOutput::RewindCallback rewind_;
    std::unique_ptr<AudioOutput> output_;
    std::string failure_; // why the output failed for good; empty while it may work
    bool reportWanted_ = false;
    std::function<void(const std::string&)> report_;

    // Guards the output being opened, which close() tells to give up; never held while waiting.
    std::mutex openingLock_;
    AudioOutput* opening_ = nullptr;
    bool closing_ = false;

    mutable std::mutex publishLock_;
    const AudioOutput* published_ = nullptr;
    std::int64_t base_ = 0; // mixer frame count when the published output started

    std::atomic<int> rate_{44100};
    std::atomic<int> rewindFrames_{0};
    std::atomic<bool> asleep_{false};
    std::atomic<bool> wakeWanted_{false};
    std::atomic<bool> reconnectWanted_{false};
    std::atomic<bool> stopping_{false};
    WakeSignal signal_;
    std::thread thread_;
};
