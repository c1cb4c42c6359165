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
                             std::function<void()> onRewrite, std::function<void()> onStart)
    : mixer_(mixer), wake_(wake), onIdle_(std::move(onIdle)), onRewrite_(std::move(onRewrite)),
      onStart_(std::move(onStart)) {
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

void DecoderThread::retire(std::shared_ptr<Stream> stream) {
    {
        std::lock_guard lock(mutex_);
        streams_.erase(std::remove(streams_.begin(), streams_.end(), stream), streams_.end());
        const std::uint64_t ticket = mixer_.detach(stream.get());
        retired_.push_back({std::move(stream), ticket});
    }
    wake_.post();
}

void DecoderThread::detachAll() {
    std::lock_guard lock(mutex_);
    for (auto& s : streams_)
        mixer_.detach(s.get());
}

void DecoderThread::attachReady(Stream& s) {
    if (s.phase.load(std::memory_order_acquire) != StreamPhase::Ready) return;
    if (mixer_.attach(&s)) {
        s.phase.store(StreamPhase::Attached, std::memory_order_release);
        // Asked to play while it opened: it is heard at once, in place of what the output queued.
        if (s.running.load(std::memory_order_acquire)) {
            if (onStart_) onStart_();
            rewriteWanted_.store(true, std::memory_order_release);
        }
        return;
    }
    LogWarning("no room in the mixer for "
               " + s.path + "
               "");
    s.openFailure = EndReason::Failed;
    s.phase.store(StreamPhase::Failed, std::memory_order_release);
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
        if (s->phase.load(std::memory_order_acquire) == StreamPhase::Attached) fill(*s);
}

int DecoderThread::service(Stream& s) {
    switch (s.phase.load(std::memory_order_acquire)) {
    case StreamPhase::Attached:
        break;
    case StreamPhase::Opening: {
        const auto now = std::chrono::steady_clock::now();
        if (now < s.openDeadline)
            return static_cast<int>(
                std::chrono::ceil<std::chrono::milliseconds>(s.openDeadline - now).count());
        StreamPhase expected = StreamPhase::Opening;
        if (!s.phase.compare_exchange_strong(expected, StreamPhase::Failed)) return INT_MAX;
        // Its opening thread may still be blocked in a read: it is left to return on its own.
        LogWarning("gave up waiting for \"" + s.path + "\" to open");
        s.openFailure = EndReason::Failed;
        [[fallthrough]];
    }
    case StreamPhase::Failed:
        // It ends at once, whatever was asked of it, so the player moves on.
        s.endedSerial.store(s.seekRequest.load(std::memory_order_acquire), std::memory_order_release);
        return INT_MAX;
    default:
        return INT_MAX;
    }
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
    return INT_MAX;
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
    const EndReason reason = s.phase.load(std::memory_order_acquire) == StreamPhase::Failed
                                 ? s.openFailure.load()
                             : s.decoderFailed ? EndReason::Failed
                                               : EndReason::Played;
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
            for (auto& s : streams_)
                attachReady(*s);
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
        int openDueMs = INT_MAX;
        for (auto& s : streams)
            openDueMs = std::min(openDueMs, service(*s));
        // After the fills: audio made again must not run dry halfway.
        const int rewriteDueMs = rewriteIfDue();
        for (auto& s : streams)
            callEndSyncs(*s);
        streams.clear();
        const bool asleep = onIdle_ && onIdle_();
        const int waitMs = reapPending ? kReapWaitMs : asleep ? kAsleepWaitMs : kIdleWaitMs;
        wake_.wait(std::min({waitMs, rewriteDueMs, openDueMs}));
    }
}
