#pragma once
// The output's render callback: mixes the playing streams.
//
// Threads: render() runs on the output's audio thread and never locks,
// allocates, logs or touches files. attach/detach run on the GUI thread and
// only store into a fixed array of slots; a detached stream may be deleted
// once the callback that might still be reading it has returned, which
// safeToDelete() tells from a block counter (odd while a block is mixed).

#include "Stream.h"
#include "WakeSignal.h"

#include <array>
#include <atomic>
#include <cstdint>

class Mixer {
  public:
    static constexpr int kSlots = 32;

    explicit Mixer(WakeSignal& decoderWake) : wake_(decoderWake) {}

    // GUI thread. False when every slot is taken.
    bool attach(Stream* stream);
    // Returns the ticket to pass to safeToDelete().
    std::uint64_t detach(Stream* stream);
    bool safeToDelete(std::uint64_t ticket) const;

    // Output frames mixed so far (any thread).
    std::int64_t framesRendered() const { return frames_.load(std::memory_order_acquire); }
    // Output frames mixed since a stream last played or wanted to play: one
    // that waits for its decoder counts as playing (any thread).
    std::int64_t framesSinceBusy() const { return framesRendered() - lastBusy_.load(std::memory_order_acquire); }
    // Counts as busy now (GUI thread): a stream is about to start.
    void markBusy() { lastBusy_.store(framesRendered(), std::memory_order_release); }

    // Audio callback.
    void render(float* out, int frames);

  private:
    // Returns whether the stream plays: it is running and has not ended.
    bool mixStream(Stream& s, float* out, int frames, std::int64_t blockStart);

    WakeSignal& wake_;
    std::array<std::atomic<Stream*>, kSlots> slots_{};
    std::atomic<std::uint64_t> blocks_{0};
    std::atomic<std::int64_t> frames_{0};
    std::atomic<std::int64_t> lastBusy_{0};
};
