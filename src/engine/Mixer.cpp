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
    const std::int64_t blockStart = frames_.load(std::memory_order_relaxed);
    bool busy = false;
    for (auto& slot : slots_) {
        if (Stream* s = slot.load(std::memory_order_seq_cst)) busy |= mixStream(*s, out, frames, blockStart);
    }
    if (busy) lastBusy_.store(blockStart + frames, std::memory_order_release);
    frames_.store(blockStart + frames, std::memory_order_release);
    blocks_.fetch_add(1, std::memory_order_seq_cst);
}

bool Mixer::mixStream(Stream& s, float* out, int frames, std::int64_t blockStart) {
    const std::uint32_t done = s.seekDone.load(std::memory_order_acquire);
    if (done != s.mixSerial) {
        s.ring->discardUntil(s.flushMark.load(std::memory_order_acquire));
        s.mixSerial = done;
        s.mixedFrames = 0;
        s.eq.resetState();
        s.clock.publish({0, s.tap.written(), s.lastEndFrame});
        s.appliedSerial.store(done, std::memory_order_release);
    }
    // While a seek is under way the ring holds audio from the old place.
    if (s.seekRequest.load(std::memory_order_acquire) != done) return s.running.load(std::memory_order_acquire);
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
        // The region is ours until committed, so filter it in place.
        s.eq.process(r.data, r.frames);
        s.tap.write(r.data, r.frames);
        float* o = out + static_cast<std::ptrdiff_t>(mixed) * 2;
        for (int i = 0; i < r.frames; ++i) {
            o[2 * i] += r.data[2 * i] * left;
            o[2 * i + 1] += r.data[2 * i + 1] * right;
        }
        s.ring->commitRead(r.frames);
        mixed += r.frames;
    }
    if (mixed > 0) {
        s.mixedFrames += mixed;
        s.lastEndFrame = blockStart + mixed;
        s.clock.publish({s.mixedFrames, s.tap.written(), s.lastEndFrame});
    }
    const int leftInRing = s.ring->readableFrames();
    if (decoderAtEnd && leftInRing == 0) {
        s.endedSerial.store(s.mixSerial, std::memory_order_release);
        wake_.post();
    } else if (!decoderAtEnd && leftInRing < s.ring->capacityFrames() / 2) {
        wake_.postIfSleeping();
    }
    return true;
}
