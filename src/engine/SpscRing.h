#pragma once
// Single-producer, single-consumer ring of interleaved stereo float frames.
//
// The decoder thread produces, the audio callback consumes. Each side first
// acquires a contiguous region, fills or reads it, then commits; nothing locks
// or allocates after construction. Counters run on forever (64 bits), so
// "frames written so far" doubles as a position mark for flushing.
//
// A ring that keeps history does not hand read frames back to the producer
// until the consumer releases them, so the consumer can step back and read
// them again: the mixer does that when audio it already handed to the output
// must be made anew with other controls.

#include <atomic>
#include <cstdint>
#include <memory>

class SpscRing {
  public:
    struct Region {
        float* data = nullptr; // interleaved stereo
        int frames = 0;
    };

    // Exactly `capacityFrames` (at least 2): a ring of a few seconds rounded up to a power of two
    // would hold up to twice the memory it needs.
    explicit SpscRing(int capacityFrames, bool keepHistory = false);

    int capacityFrames() const { return static_cast<int>(capacity_); }

    // Producer side.
    Region acquireWrite(int maxFrames);
    void commitWrite(int frames);
    std::uint64_t writeCount() const { return write_.load(std::memory_order_acquire); }

    // Consumer side.
    Region acquireRead(int maxFrames);
    void commitRead(int frames);
    // Drops everything written before `writeCount` (a mark taken by the
    // producer); used to throw away audio that a seek made stale.
    void discardUntil(std::uint64_t writeCount);
    // Frames read so far: a mark to step back to.
    std::uint64_t readCount() const { return read_.load(std::memory_order_relaxed); }
    // Steps back to an earlier readCount() whose frames were not released
    // (clamped to what is still there).
    void rewindRead(std::uint64_t readCount);
    // With history: lets the producer overwrite the frames before the mark.
    void release(std::uint64_t readCount);

    // Either side; a snapshot.
    int readableFrames() const;

  private:
    std::unique_ptr<float[]> buffer_;
    std::uint64_t capacity_;
    const bool keepHistory_;
    // Apart, so the two threads do not fight over one cache line.
    alignas(64) std::atomic<std::uint64_t> write_{0};
    alignas(64) std::atomic<std::uint64_t> read_{0};
    // Frames before it belong to the producer again; equals read_ without history.
    std::atomic<std::uint64_t> released_{0};
};
