#include "DecoderThread.h"
#include "Log.h"

#include <algorithm>
#include <climits>

namespace {

// Decoding in pieces of this size keeps a seek request from waiting behind a
// long fill.
constexpr int kPieceFrames = 4096;
// Without news the thread still looks around now and then, to delete freed
// streams whose last audio block was running when they were freed.
constexpr int kIdleWaitMs = 500;
// With the output asleep there is nothing to decode until the GUI wakes us.
constexpr int kAsleepWaitMs = 2000;
constexpr int kReapWaitMs = 5;
// A drag sends a control per mouse move; each rewrite makes the whole queue
// again, so the changes of this long go into one.
constexpr auto kRewriteSpacing = std::chrono::milliseconds(20);

} // namespace

DecoderThread::DecoderThread(Mixer& mixer, WakeSignal& wake, std::function<bool()> onIdle,
                             std::function<void()> onRewrite)
    : mixer_(mixer), wake_(wake), onIdle_(std::move(onIdle)), onRewrite_(std::move(onRewrite)) {
    thread_ = std::thread([this] { run(); });
}

DecoderThread::~DecoderThread() {
    stopping_.store(true);
    wake_.post();
    thread_.join();
}

void DecoderThread::add(std::shared_ptr<Stream> stream) {
    {
        std::lock_guard lock(mutex_);
        streams_.push_back(std::move(stream));
    }
    wake_.post();
}

void DecoderThread::retire(std::shared_ptr<Stream> stream, std::uint64_t ticket) {
    {
        std::lock_guard lock(mutex_);
        streams_.erase(std::remove(streams_.begin(), streams_.end(), stream), streams_.end());
        retired_.push_back({std::move(stream), ticket});
    }
    wake_.post();
}

void DecoderThread::fill(Stream& s, std::int64_t maxFrames) {
    std::int64_t added = 0;
    while (!s.decoderEnded && added < maxFrames &&
           s.seekRequest.load(std::memory_order_acquire) == s.decoderSerial) {
        const SpscRing::Region r =
            s.ring->acquireWrite(static_cast<int>(std::min<std::int64_t>(kPieceFrames, maxFrames - added)));
        // A sliver before the wrap point is filled anyway; the next piece
        // continues from the start of the buffer.
        if (r.frames == 0) break;
        const int n = s.decoder->read(r.data, r.frames);
        s.ring->commitWrite(n);
        added += n;
        if (n < r.frames) {
            s.decoderEnded = true;
            s.decoderFailed = s.decoder->failed();
            if (s.decoderFailed) LogWarning("the decoder gave up on \"" + s.path + "\" before its end");
            s.eofSerial.store(s.decoderSerial, std::memory_order_release);
        }
    }
}

void DecoderThread::refill() {
    std::vector<std::shared_ptr<Stream>> streams;
    {
        std::lock_guard lock(mutex_);
        streams = streams_;
    }
    for (auto& s : streams)
        fill(*s);
}

void DecoderThread::service(Stream& s) {
    const std::uint32_t request = s.seekRequest.load(std::memory_order_acquire);
    if (request != s.decoderSerial) {
        // A failed seek leaves the decoder where it was; the stream then
        // simply goes on from there.
        s.decoder->seek(s.seekTargetFrames.load(std::memory_order_relaxed));
        s.decoderEnded = false;
        s.decoderFailed = false;
        s.decoderSerial = request;
        s.flushMark.store(s.ring->writeCount(), std::memory_order_relaxed);
        s.seekDone.store(request, std::memory_order_release);
    }
    fill(s);
}

void DecoderThread::callEndSyncs(Stream& s) {
    const std::uint32_t ended = s.endedSerial.load(std::memory_order_acquire);
    if (ended == kNoSerial || ended != s.seekRequest.load(std::memory_order_acquire)) return;
    std::vector<EndCallback> due;
    {
        std::lock_guard lock(s.syncMutex);
        if (s.freed) return;
        for (EndSync& sync : s.syncs) {
            if (sync.firedSerial == ended) continue;
            sync.firedSerial = ended;
            due.push_back(sync.callback);
        }
    }
    const EndReason reason = s.decoderFailed ? EndReason::Failed : EndReason::Played;
    for (auto& callback : due)
        if (callback) callback(reason);
}

int DecoderThread::rewriteIfDue() {
    if (!onRewrite_ || !rewriteWanted_.load(std::memory_order_acquire)) return INT_MAX;
    const auto now = std::chrono::steady_clock::now();
    if (now < nextRewrite_)
        return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(nextRewrite_ - now).count());
    // Cleared before the rewrite reads the controls: a change made while it
    // renders asks for the next one, so the last change is always heard.
    rewriteWanted_.exchange(false, std::memory_order_acq_rel);
    onRewrite_();
    nextRewrite_ = now + kRewriteSpacing;
    return INT_MAX;
}

void DecoderThread::run() {
    std::vector<std::shared_ptr<Stream>> streams;
    std::vector<std::shared_ptr<Stream>> dead;
    while (!stopping_.load()) {
        bool reapPending = false;
        {
            std::lock_guard lock(mutex_);
            streams = streams_;
            for (auto it = retired_.begin(); it != retired_.end();) {
                if (mixer_.safeToDelete(it->ticket)) {
                    dead.push_back(std::move(it->stream));
                    it = retired_.erase(it);
                } else {
                    ++it;
                }
            }
            reapPending = !retired_.empty();
        }
        // Closing files happens here, outside the lock.
        dead.clear();
        for (auto& s : streams)
            service(*s);
        // After the fills: audio made again must not run dry halfway.
        const int rewriteDueMs = rewriteIfDue();
        for (auto& s : streams)
            callEndSyncs(*s);
        streams.clear();
        const bool asleep = onIdle_ && onIdle_();
        const int waitMs = reapPending ? kReapWaitMs : asleep ? kAsleepWaitMs : kIdleWaitMs;
        wake_.wait(std::min(waitMs, rewriteDueMs));
    }
}
