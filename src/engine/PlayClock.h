#pragma once
// Where a stream stands in the output's timeline, stamped by the audio
// callback once per block and read by the GUI thread.
//
// The three numbers must be read as one, so they sit behind a sequence
// counter: the writer makes it odd while writing, a reader retries when it
// saw it odd or changed. Everything is atomic, so there is no data race and
// the writer never waits.

#include <atomic>
#include <cstdint>

class PlayClock {
  public:
    struct Stamp {
        std::int64_t renderedFrames = 0; // output-rate frames mixed since the last seek
        std::int64_t tapFrames = 0;      // the stream's spectrum tap count at that moment
        std::int64_t endFrame = 0;       // output frame just after the stream's last mixed frame
    };

    // Audio callback.
    void publish(const Stamp& s) {
        const std::uint32_t seq = seq_.load(std::memory_order_relaxed);
        seq_.store(seq + 1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        rendered_.store(s.renderedFrames, std::memory_order_relaxed);
        tap_.store(s.tapFrames, std::memory_order_relaxed);
        end_.store(s.endFrame, std::memory_order_relaxed);
        seq_.store(seq + 2, std::memory_order_release);
    }

    // Any thread.
    Stamp read() const {
        for (;;) {
            const std::uint32_t before = seq_.load(std::memory_order_acquire);
            Stamp s{rendered_.load(std::memory_order_relaxed), tap_.load(std::memory_order_relaxed),
                    end_.load(std::memory_order_relaxed)};
            std::atomic_thread_fence(std::memory_order_acquire);
            if (!(before & 1) && seq_.load(std::memory_order_relaxed) == before) return s;
        }
    }

  private:
    std::atomic<std::uint32_t> seq_{0};
    std::atomic<std::int64_t> rendered_{0};
    std::atomic<std::int64_t> tap_{0};
    std::atomic<std::int64_t> end_{0};
};
