#include "Mixer.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

bool Mixer::attach(Stream* stream) {
    for (auto& slot : slots_) {
        Stream* empty = nullptr;
        if (slot.compare_exchange_strong(empty, stream, std::memory_order_acq_rel)) return true;
    }
    return false;
}

std::uint64_t Mixer::detach(Stream* stream) {
    for (auto& slot : slots_) {
        Stream* expected = stream;
        slot.compare_exchange_strong(expected, nullptr, std::memory_order_seq_cst);
    }
    // Read after the slot is cleared: if no block is running now, no later
    // block can see the stream.
    return blocks_.load(std::memory_order_seq_cst);
}

bool Mixer::safeToDelete(std::uint64_t ticket) const {
    return (ticket & 1) == 0 || blocks_.load(std::memory_order_seq_cst) != ticket;
}

void Mixer::render(float* out, int frames) {
#if defined(__SSE__)
    // Decaying filter tails must not fall into denormals, which are slow.
    _mm_setcsr(_mm_getcsr() | 0x8040);
#endif
    blocks_.fetch_add(1, std::memory_order_seq_cst);
    std::memset(out, 0, static_cast<std::size_t>(frames) * 2 * sizeof(float));
    // Slices only matter to streams that remember them; the others go faster in one piece.
    bool slicing = false;
    for (auto& slot : slots_) {
        const Stream* s = slot.load(std::memory_order_seq_cst);
        slicing |= s && s->markCount > 0;
    }
    for (int done = 0; done < frames;) {
        const std::int64_t start = frames_.load(std::memory_order_relaxed);
        const int n =
            slicing
                ? static_cast<int>(std::min<std::int64_t>(frames - done, kSliceFrames - start % kSliceFrames))
                : frames - done;
        mixSlice(out + static_cast<std::ptrdiff_t>(done) * 2, n, start);
        frames_.store(start + n, std::memory_order_release);
        done += n;
    }
    blocks_.fetch_add(1, std::memory_order_seq_cst);
}

void Mixer::mixSlice(float* out, int frames, std::int64_t sliceStart) {
    bool busy = false;
    for (auto& slot : slots_) {
        if (Stream* s = slot.load(std::memory_order_seq_cst)) busy |= mixStream(*s, out, frames, sliceStart);
    }
    if (busy) lastBusy_.store(sliceStart + frames, std::memory_order_release);
}

bool Mixer::mixStream(Stream& s, float* out, int frames, std::int64_t sliceStart) {
    // It took over from another stream in this slice, which mixed it then.
    if (sliceStart < s.joinedUntil) return true;
    const std::uint32_t done = applySeek(s);
    if (s.markCount > 0) remember(s, sliceStart);
    // While a seek is under way the ring holds audio from the old place.
    if (s.seekRequest.load(std::memory_order_acquire) != done)
        return s.running.load(std::memory_order_acquire);
    if (!s.running.load(std::memory_order_acquire)) return false;
    if (s.endedSerial.load(std::memory_order_relaxed) == s.mixSerial) return false;

    const float volume = s.volume.load(std::memory_order_relaxed);
    const float pan = s.pan.load(std::memory_order_relaxed);
    const float left = volume * (pan > 0.0f ? 1.0f - pan : 1.0f);
    const float right = volume * (pan < 0.0f ? 1.0f + pan : 1.0f);
    s.eq.beginBlock();

    // Loaded before the ring is looked at: the decoder commits its last
    // audio first, so "ended and empty" cannot miss audio still coming.
    const bool decoderAtEnd = s.eofSerial.load(std::memory_order_acquire) == s.mixSerial;
    int mixed = 0;
    while (mixed < frames) {
        const SpscRing::Region r = s.ring->acquireRead(frames - mixed);
        if (r.frames == 0) break;
        // A ring that keeps what was read must keep it as decoded.
        float* audio = r.data;
        if (s.markCount > 0) {
            audio = scratch_;
            std::memcpy(audio, r.data, static_cast<std::size_t>(r.frames) * 2 * sizeof(float));
            s.ring->commitRead(r.frames);
        }
        s.eq.process(audio, r.frames);
        s.tap.write(audio, r.frames);
        float* o = out + static_cast<std::ptrdiff_t>(mixed) * 2;
        for (int i = 0; i < r.frames; ++i) {
            o[2 * i] += audio[2 * i] * left;
            o[2 * i + 1] += audio[2 * i + 1] * right;
        }
        if (s.markCount == 0) s.ring->commitRead(r.frames);
        mixed += r.frames;
    }
    if (mixed > 0) {
        s.mixedFrames += mixed;
        s.lastEndFrame = sliceStart + mixed;
        s.clock.publish({s.mixedFrames, s.tap.written(), s.lastEndFrame});
    }
    const int leftInRing = s.ring->readableFrames();
    const int ahead = s.aheadFrames > 0 ? s.aheadFrames : s.ring->capacityFrames();
    if (decoderAtEnd && leftInRing == 0) {
        floor_ = std::max(floor_, s.lastEndFrame);
        // The follower is under way before the end is told: the player, hearing of the end while it
        // was not, would start it itself, from the start of this slice, over the last frames here.
        join(s, out, frames, sliceStart, mixed);
        s.endedSerial.store(s.mixSerial, std::memory_order_release);
        wake_.post();
    } else if (!decoderAtEnd && leftInRing < ahead / 2) {
        wake_.postIfSleeping();
    }
    return true;
}

void Mixer::join(Stream& s, float* out, int frames, std::int64_t sliceStart, int mixed) {
    Stream* next = s.follower.load(std::memory_order_acquire);
    // A follower that is not ready in time, or already under way, is left to the player.
    if (!next || next->phase.load(std::memory_order_acquire) != StreamPhase::Attached ||
        next->running.load(std::memory_order_acquire) ||
        next->seekRequest.load(std::memory_order_acquire) != next->mixSerial)
        return;
    next->running.store(true, std::memory_order_release);
    next->joined.store(true, std::memory_order_release);
    mixStream(*next, out + static_cast<std::ptrdiff_t>(mixed) * 2, frames - mixed, sliceStart + mixed);
    next->joinedUntil = sliceStart + frames;
}

std::uint32_t Mixer::applySeek(Stream& s) {
    const std::uint32_t done = s.seekDone.load(std::memory_order_acquire);
    if (done != s.mixSerial) {
        s.ring->discardUntil(s.flushMark.load(std::memory_order_acquire));
        s.mixSerial = done;
        s.mixedFrames = 0;
        s.eq.resetState();
        s.origin.frame = -1;
        s.clock.publish({0, s.tap.written(), s.lastEndFrame});
        s.appliedSerial.store(done, std::memory_order_release);
    }
    return done;
}

namespace {

void save(const Stream& s, std::int64_t frame, MixMark& m) {
    // Filters shared with a follower hold the history of whichever of the two plays.
    const bool playing = s.running.load(std::memory_order_relaxed) &&
                         s.endedSerial.load(std::memory_order_relaxed) != s.mixSerial;
    m.eqSaved = playing || !s.sharesControls.load(std::memory_order_relaxed);
    m.frame = frame;
    m.running = s.running.load(std::memory_order_relaxed);
    m.joined = s.joined.load(std::memory_order_relaxed);
    m.ringRead = s.ring->readCount();
    m.tapWritten = s.tap.written();
    m.mixedFrames = s.mixedFrames;
    m.lastEndFrame = s.lastEndFrame;
    m.endedSerial = s.endedSerial.load(std::memory_order_relaxed);
    if (m.eqSaved) s.eq.saveState(m.eq);
}

} // namespace

void Mixer::remember(Stream& s, std::int64_t sliceStart) {
    if (s.origin.frame < 0) save(s, sliceStart, s.origin);
    if (sliceStart % kSliceFrames != 0) return;
    const std::int64_t slice = sliceStart / kSliceFrames;
    save(s, sliceStart, s.marks[slice % s.markCount]);
    // The ring keeps the audio that every mark still in reach may want again.
    // After a rewind the oldest slot may hold a mark of the audio it took
    // back (past this slice), so each mark is looked at, not the oldest slot.
    const std::int64_t reach = sliceStart - std::int64_t{s.markCount - 1} * kSliceFrames;
    std::uint64_t keepFrom = s.ring->readCount();
    for (int i = 0; i < s.markCount; ++i) {
        const MixMark& m = s.marks[i];
        if (m.frame >= reach && m.frame <= sliceStart && m.frame >= s.origin.frame)
            keepFrom = std::min(keepFrom, m.ringRead);
    }
    if (s.origin.frame >= reach) keepFrom = std::min(keepFrom, s.origin.ringRead);
    s.ring->release(keepFrom);
}

const MixMark* Mixer::markToReturnTo(const Stream& s, std::int64_t frame) {
    static const MixMark untouched;
    // Not mixed yet: there is nothing to undo.
    if (s.origin.frame < 0) return &untouched;
    // Before the stream began (or its latest seek took effect), it begins here instead.
    if (frame <= s.origin.frame) return &s.origin;
    if (s.markCount == 0) return nullptr;
    const MixMark& m = s.marks[(frame / kSliceFrames) % s.markCount];
    return m.frame == frame ? &m : nullptr;
}

void Mixer::returnTo(Stream& s, const MixMark& m, std::int64_t frame) {
    if (m.frame < 0) return;
    s.ring->rewindRead(m.ringRead);
    s.tap.rewindTo(m.tapWritten);
    s.mixedFrames = m.mixedFrames;
    s.lastEndFrame = m.lastEndFrame;
    s.endedSerial.store(m.endedSerial, std::memory_order_release);
    if (m.eqSaved) s.eq.restoreState(m.eq);
    // Audio made again from before a follower took over has it take over again where the stream
    // before it runs out, not play beside that stream's last frames.
    if (s.joined.load(std::memory_order_relaxed) && !m.joined &&
        s.leaderThere.load(std::memory_order_acquire)) {
        s.running.store(m.running, std::memory_order_release);
        s.joined.store(false, std::memory_order_release);
        s.joinedUntil = 0;
    }
    if (&m == &s.origin) s.origin.frame = frame;
    s.clock.publish({s.mixedFrames, s.tap.written(), s.lastEndFrame});
}

int Mixer::rewind(int maxFrames) {
    const std::int64_t now = frames_.load(std::memory_order_relaxed);
    std::int64_t target = std::max<std::int64_t>(now - std::max(maxFrames, 0), floor_);
    // No further than the oldest mark every stream still has.
    for (auto& slot : slots_) {
        const Stream* s = slot.load(std::memory_order_seq_cst);
        if (s && s->markCount > 0 && s->origin.frame >= 0)
            target = std::max<std::int64_t>(target, now - std::int64_t{s->markCount - 1} * kSliceFrames);
    }
    target = (target + kSliceFrames - 1) / kSliceFrames * kSliceFrames;
    if (target >= now) return 0;
    std::array<std::pair<Stream*, const MixMark*>, kSlots> plan{};
    int count = 0;
    for (auto& slot : slots_) {
        Stream* s = slot.load(std::memory_order_seq_cst);
        if (!s) continue;
        // A seek that is done starts the stream afresh: nothing to go back to.
        const bool seeked = s->seekDone.load(std::memory_order_acquire) != s->mixSerial;
        const MixMark* m = seeked ? nullptr : markToReturnTo(*s, target);
        // One stream that cannot go back keeps them all where they are.
        if (!seeked && !m) return 0;
        plan[count++] = {s, m};
    }
    for (int i = 0; i < count; ++i) {
        Stream& s = *plan[i].first;
        if (plan[i].second) {
            returnTo(s, *plan[i].second, target);
        } else {
            // Its stale audio goes now, so the decoder can refill the ring before the audio is made again.
            applySeek(s);
        }
    }
    frames_.store(target, std::memory_order_release);
    return static_cast<int>(now - target);
}
