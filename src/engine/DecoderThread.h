#pragma once
// The engine's one worker thread: attaches streams to the mixer once their
// opening threads made them ready, gives up on opens that are late, decodes
// ahead for every attached stream, performs seeks, calls the end syncs and
// deletes freed streams once the audio callback is done with them.
//
// Threads: add/retire/wake are called on the GUI thread; the stream list is
// guarded by a mutex that the audio callback never touches (it wakes this
// thread through WakeSignal). Attaching and detaching happen under it, so a
// retired stream is never attached again. Decoding and sync callbacks run
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
    // `onStart` runs on this thread when a stream that is asked to play reaches the mixer: an
    // output that fell asleep while its file opened must wake for it.
    DecoderThread(Mixer& mixer, WakeSignal& wake, std::function<bool()> onIdle = {},
                  std::function<void()> onRewrite = {}, std::function<void()> onStart = {});
    ~DecoderThread();
    DecoderThread(const DecoderThread&) = delete;
    DecoderThread& operator=(const DecoderThread&) = delete;

    // A stream in any phase; one still opening has its openDeadline.
    void add(std::shared_ptr<Stream> stream);
    // Detaches the stream from the mixer; it is deleted here once no audio block can read it.
    void retire(std::shared_ptr<Stream> stream);
    // With the output closed: no stream is in the mixer any more.
    void detachAll();
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
    // Under the lock: a Ready stream goes into the mixer.
    void attachReady(Stream& s);
    // Rewrites when one is wanted and due; returns the milliseconds until a wanted one is due.
    int rewriteIfDue();
    // Returns the milliseconds until the stream's open is late, when it is still opening.
    static int service(Stream& s);
    static void callEndSyncs(Stream& s);

    Mixer& mixer_;
    WakeSignal& wake_;
    std::function<bool()> onIdle_;
    std::function<void()> onRewrite_;
    std::function<void()> onStart_;
    std::atomic<bool> rewriteWanted_{false};
    std::chrono::steady_clock::time_point nextRewrite_{}; // this thread only
    std::mutex mutex_;
    std::vector<std::shared_ptr<Stream>> streams_;
    std::vector<Retired> retired_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};
