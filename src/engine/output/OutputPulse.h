#pragma once
// Sound through a PulseAudio (or PipeWire-pulse) server, float32 stereo.
//
// The stream lives on libpulse's threaded main loop. The server asks for data
// (the write callback, on the main loop's thread) and we render straight into
// its request, so the render callback runs on that thread.
//
// The server should sleep as long as it can, so about half a second is
// queued and requests come a few times a second. A change the engine makes
// must still be heard at once: rewrite() steps the renderer back and writes
// the queued audio again over the old, all but the first few milliseconds
// that are about to be heard, and the server takes the new audio in place of
// the old (rewinding its sink where it must).
//
// The main loop's lock is taken only by open/start/stop/flush/close and by a
// rewrite's hand-over, never by the queries: frames written, latency and
// health are atomics that the loop thread publishes, so the GUI never waits
// on the audio thread. A rewrite renders its audio without the lock, while
// the server goes on playing; the renderer is then claimed through an atomic
// that the write callback only tries, so the callback never waits: a request
// that finds the renderer taken is answered once the rewrite has handed over.

#include "AudioOutput.h"
#include "LatencyClock.h"

#include <atomic>
#include <mutex>
#include <vector>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_mainloop_api;

class OutputPulse : public AudioOutput {
  public:
    OutputPulse();
    ~OutputPulse() override;

    bool open(int preferredRate, RenderCallback render) override;
    int rate() const override { return rate_; }
    void start() override;
    void stop() override;
    void close() override;
    void abandon() override;
    // Drops what was handed over but not yet heard (stopped, before a seek).
    void flush() override;
    std::int64_t framesWritten() const override { return framesWritten_.load(std::memory_order_acquire); }
    std::int64_t latencyFrames() const override;
    bool healthy() const override { return healthy_.load(std::memory_order_acquire); }
    // 1 when a server answers and offers at least one sink.
    int deviceCount() override;
    int rewindFrames() const override;
    void rewrite() override;

  private:
    static void onContextState(pa_context* c, void* self);
    static void onStreamState(pa_stream* s, void* self);
    static void onWritable(pa_stream* s, std::size_t bytes, void* self);
    static void onCorked(pa_stream* s, int success, void* self);
    static void onTopUp(pa_mainloop_api*, void* self);
    void fill(std::size_t bytes);
    // Who renders: the write callback tries to claim it, a rewrite waits for it.
    enum Renderer : int { Free, Callback, Rewrite };
    bool tryClaim(Renderer who);
    bool renderAndWrite(std::size_t frames);
    void publishLatency();
    // Waits on the locked main loop until `ready` holds or the deadline passes.
    template <typename Ready> bool waitFor(Ready ready, int timeoutMs);

    // Guards loop_ being made and freed, for abandon() on another thread.
    std::mutex loopLock_;
    std::atomic<bool> abandoned_{false};
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    RenderCallback render_;
    std::vector<float> buffer_;    // for the rare request the server's memory pool cannot take
    std::vector<float> rewritten_; // a rewrite's audio, made before the lock is taken
    std::atomic<int> renderer_{Free};
    std::atomic<bool> requestMissed_{false};
    int rate_ = 0;
    std::atomic<bool> running_{false};
    std::atomic<bool> healthy_{true};
    std::atomic<std::int64_t> framesWritten_{0};
    LatencyClock latency_;
};
