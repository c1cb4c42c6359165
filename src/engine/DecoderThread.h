#pragma once
// The engine's one worker thread: decodes ahead for every played stream,
// performs seeks, calls the end syncs and deletes freed streams once the
// audio callback is done with them.
//
// Threads: add/retire/wake/setAheadFrames are called on the GUI thread; the
// stream list is guarded by a mutex that the audio callback never touches
// (it wakes this thread through WakeSignal). Decoding and sync callbacks run
// outside the lock, so the GUI thread never waits for a decode.

#include "Mixer.h"
#include "Stream.h"
#include "WakeSignal.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class DecoderThread {
  public:
    // `onIdle` runs on this thread whenever nothing was heard for a while;
    // it returns true when the output is asleep, so this thread may sleep long too.
    // `onRewrite` runs on this thread after a pass that followed
    // requestRewrite(), once every stream's ring is as full as it gets, and
    // at most once per 20 ms: requests that come closer together are served
    // by one rewrite, which always comes after the last of them.
    DecoderThread(Mixer& mixer, WakeSignal& wake, std::function<bool()> onIdle = {},
                  std::function<void()> onRewrite = {});
    ~DecoderThread();
    DecoderThread(const DecoderThread&) = delete;
    DecoderThread& operator=(const DecoderThread&) = delete;

    void add(std::shared_ptr<Stream> stream);
    // The stream is already detached from the mixer; `ticket` comes from that.
    void retire(std::shared_ptr<Stream> stream, std::uint64_t ticket);
    void wake() { wake_.post(); }
    // Any thread: asks for the output's queued audio to be made again soon.
    void requestRewrite() {
        rewriteWanted_.store(true, std::memory_order_release);
        wake_.post();
    }

    // This thread only (the output's rewrite runs here): tops up every ring.
    void refill();

    // Decodes into `ring` until it is full, `maxFrames` were added or the
    // file ends (also used by the GUI thread to prefill a stream before
    // anyone else can see it).
    static void fill(Stream& s, std::int64_t maxFrames = INT64_MAX);

  private:
    struct Retired {
        std::shared_ptr<Stream> stream;
        std::uint64_t ticket;
    };

    void run();
    // Rewrites when one is wanted and due; returns the milliseconds until a wanted one is due.
    int rewriteIfDue();
    static void service(Stream& s);
    static void callEndSyncs(Stream& s);

    Mixer& mixer_;
    WakeSignal& wake_;
    std::function<bool()> onIdle_;
    std::function<void()> onRewrite_;
    std::atomic<bool> rewriteWanted_{false};
    std::chrono::steady_clock::time_point nextRewrite_{}; // this thread only
    std::mutex mutex_;
    std::vector<std::shared_ptr<Stream>> streams_;
    std::vector<Retired> retired_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};
