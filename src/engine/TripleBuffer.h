#pragma once
// Hands the latest value of T from one writer thread to one reader thread
// without locks: the writer fills its own slot and swaps it with the spare
// one; the reader swaps the spare slot with its own when it is newer. Neither
// side ever sees a slot the other is writing, however fast they go.

#include <atomic>
#include <cstdint>

template <class T> class TripleBuffer {
  public:
    // Writer thread.
    void write(const T& value) {
        slots_[back_] = value;
        back_ =
            spare_.exchange(static_cast<std::uint8_t>(back_ | kFresh), std::memory_order_acq_rel) & kIndex;
    }

    // Reader thread: true and the newest value when one came since the last read.
    bool read(T& value) {
        if (!(spare_.load(std::memory_order_relaxed) & kFresh)) return false;
        front_ = spare_.exchange(front_, std::memory_order_acq_rel) & kIndex;
        value = slots_[front_];
        return true;
    }

  private:
    static constexpr std::uint8_t kIndex = 3;
    static constexpr std::uint8_t kFresh = 4;
    T slots_[3]{};
    std::uint8_t back_ = 0;  // writer's slot
    std::uint8_t front_ = 2; // reader's slot
    std::atomic<std::uint8_t> spare_{1};
};
