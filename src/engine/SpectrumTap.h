#pragma once
// The last few thousand mono samples a stream sent to the output, for the
// analyser. The audio callback appends; the GUI thread copies a window out
// and checks afterwards that the callback has not overwritten it meanwhile.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

class SpectrumTap {
  public:
    // The window ends at the sample being heard, which lies as far back as the
    // output queues: PulseAudio keeps half a second, so the store holds about
    // three times that at 44.1 kHz plus one 1024-sample window. A power of two,
    // so that wrapping is a mask.
    static constexpr int kCapacity = 65536;

    // Audio callback: appends (left + right) / 2 of each frame.
    void write(const float* stereo, int frames);
    // Samples appended so far.
    std::int64_t written() const { return written_.load(std::memory_order_acquire); }
    // Audio callback: forgets what came after `written` samples (audio made anew).
    void rewindTo(std::int64_t written) { written_.store(written, std::memory_order_release); }
    // Any thread: the `count` samples that end just before sample `end`;
    // samples never written or already overwritten read as silence.
    void copy(std::int64_t end, float* out, int count) const;

  private:
    static std::size_t slot(std::int64_t sample) {
        return static_cast<std::size_t>(sample) & (kCapacity - 1);
    }
    std::array<std::atomic<float>, kCapacity> samples_{};
    std::atomic<std::int64_t> written_{0};
};
