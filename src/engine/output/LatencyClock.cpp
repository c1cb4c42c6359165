#include "LatencyClock.h"

#include <algorithm>

void LatencyClock::publish(std::int64_t frames) {
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch());
    stampNs_.store(now.count(), std::memory_order_relaxed);
    frames_.store(std::max<std::int64_t>(frames, 0), std::memory_order_release);
}

std::int64_t LatencyClock::estimate(bool playing) const {
    const std::int64_t frames = frames_.load(std::memory_order_acquire);
    if (!playing || frames == 0) return frames;
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch());
    const std::int64_t agedNs = now.count() - stampNs_.load(std::memory_order_relaxed);
    const std::int64_t drained = agedNs * rate_.load(std::memory_order_relaxed) / 1'000'000'000;
    return std::max<std::int64_t>(frames - std::max<std::int64_t>(drained, 0), 0);
}

void LatencyClock::clear() {
    frames_.store(0, std::memory_order_release);
}
