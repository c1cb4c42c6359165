#pragma once
// The output's render callback: mixes the playing streams.
//
// Threads: render() runs on the output's audio thread and never locks,
// allocates, logs or touches files. attach/detach run on the GUI thread and
// only store into a fixed array of slots; a detached stream may be deleted
// once the callback that might still be reading it has returned, which
// safeToDelete() tells from a block counter (odd while a block is mixed).
//
// Going back: an output that queues a lot (to let the sound server sleep)
// asks for the queued audio to be made again when a control changes. The
// mixer works in slices that start at multiples of kSliceFrames and, for
// streams that carry marks, remembers where each stood at every slice start;
// rewind() returns all of them to one such start, and render() then mixes
// from there with the controls of now. rewind() and render() run on the
// output's side, one at a time.

#include "Stream.h"
#include "WakeSignal.h"

#include <array>
#include <atomic>
#include <cstdint>

class Mixer {
  public:
    static constexpr int kSlots = 32;
    static constexpr int kSliceFrames = 1024;

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
    std::int64_t framesSinceBusy() const {
        return framesRendered() - lastBusy_.load(std::memory_order_acquire);
    }
    // Counts as busy now (GUI thread): a stream is about to start.
    void markBusy() { lastBusy_.store(framesRendered(), std::memory_order_release); }

    // Audio callback.
    void render(float* out, int frames);
    // Goes back at most `maxFrames` of output, to the latest slice start that
    // every stream can return to, and returns how far it went; the caller
    // renders that many frames again, after refilling the rings (a finished
    // seek's stale audio is dropped here). Never goes back across the end of
    // a stream, so a tail already queued is never cut or played twice.
    int rewind(int maxFrames);

  private:
    void mixSlice(float* out, int frames, std::int64_t sliceStart);
    // Drops the audio a finished seek made stale; returns the stream's serial.
    static std::uint32_t applySeek(Stream& s);
    // Returns whether the stream plays: it is running and has not ended.
    bool mixStream(Stream& s, float* out, int frames, std::int64_t sliceStart);
    // The stream ran out after `mixed` frames of this slice: its follower, when ready, starts at
    // the very next frame.
    void join(Stream& s, float* out, int frames, std::int64_t sliceStart, int mixed);
    static void remember(Stream& s, std::int64_t sliceStart);
    static const MixMark* markToReturnTo(const Stream& s, std::int64_t frame);
    static void returnTo(Stream& s, const MixMark& m, std::int64_t frame);

    WakeSignal& wake_;
    std::array<std::atomic<Stream*>, kSlots> slots_{};
    std::atomic<std::uint64_t> blocks_{0};
    std::atomic<std::int64_t> frames_{0};
    std::atomic<std::int64_t> lastBusy_{0};
    std::int64_t floor_ = 0; // no going back before this frame: a stream ended there
    // A stream's audio is filtered here, so its ring keeps the plain decoded audio.
    alignas(16) float scratch_[2 * kSliceFrames];
};
