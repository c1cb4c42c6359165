#pragma once
// What a device reported as "handed over but not yet heard", aged by the time
// that has passed since. The audio thread publishes after each write; any
// thread reads. Devices report latency only when they are written to (every
// 20-40 ms), and a position shown between two writes should not stand still.

#include <atomic>
#include <chrono>
#include <cstdint>

class LatencyClock {
  public:
    void setRate(int rate) { rate_.store(rate, std::memory_order_relaxed); }
    void publish(std::int64_t frames);
    // While the device plays, the queue drains in real time; paused, it keeps.
    std::int64_t estimate(bool playing) const;
    void clear();

  private:
    using Clock = std::chrono::steady_clock;
    std::atomic<int> rate_{44100};
    std::atomic<std::int64_t> frames_{0};
    std::atomic<std::int64_t> stampNs_{0};
};
