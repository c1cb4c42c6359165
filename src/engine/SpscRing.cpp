#include "SpscRing.h"

#include <algorithm>

SpscRing::SpscRing(int capacityFrames, bool keepHistory)
    : capacity_(static_cast<std::uint64_t>(std::max(capacityFrames, 2))), keepHistory_(keepHistory) {
    buffer_ = std::make_unique<float[]>(capacity_ * 2);
}

SpscRing::Region SpscRing::acquireWrite(int maxFrames) {
    const std::uint64_t w = write_.load(std::memory_order_relaxed);
    const std::uint64_t r = released_.load(std::memory_order_acquire);
    const std::uint64_t at = w % capacity_;
    const std::uint64_t free = capacity_ - (w - r);
    const std::uint64_t untilWrap = capacity_ - at;
    const auto n =
        std::min<std::uint64_t>({free, untilWrap, static_cast<std::uint64_t>(std::max(maxFrames, 0))});
    return {buffer_.get() + at * 2, static_cast<int>(n)};
}

void SpscRing::commitWrite(int frames) {
    write_.store(write_.load(std::memory_order_relaxed) + static_cast<std::uint64_t>(frames),
                 std::memory_order_release);
}

SpscRing::Region SpscRing::acquireRead(int maxFrames) {
    const std::uint64_t r = read_.load(std::memory_order_relaxed);
    const std::uint64_t w = write_.load(std::memory_order_acquire);
    const std::uint64_t at = r % capacity_;
    const std::uint64_t untilWrap = capacity_ - at;
    const auto n =
        std::min<std::uint64_t>({w - r, untilWrap, static_cast<std::uint64_t>(std::max(maxFrames, 0))});
    return {buffer_.get() + at * 2, static_cast<int>(n)};
}

void SpscRing::commitRead(int frames) {
    const std::uint64_t r = read_.load(std::memory_order_relaxed) + static_cast<std::uint64_t>(frames);
    read_.store(r, std::memory_order_release);
    if (!keepHistory_) released_.store(r, std::memory_order_release);
}

void SpscRing::discardUntil(std::uint64_t writeCount) {
    const std::uint64_t r = read_.load(std::memory_order_relaxed);
    const std::uint64_t w = write_.load(std::memory_order_acquire);
    const std::uint64_t to = std::clamp(writeCount, r, w);
    read_.store(to, std::memory_order_release);
    // Audio before a seek is never wanted again.
    released_.store(to, std::memory_order_release);
}

void SpscRing::rewindRead(std::uint64_t readCount) {
    const std::uint64_t r = read_.load(std::memory_order_relaxed);
    read_.store(std::clamp(readCount, released_.load(std::memory_order_relaxed), r),
                std::memory_order_release);
}

void SpscRing::release(std::uint64_t readCount) {
    const std::uint64_t from = released_.load(std::memory_order_relaxed);
    released_.store(std::clamp(readCount, from, read_.load(std::memory_order_relaxed)),
                    std::memory_order_release);
}

int SpscRing::readableFrames() const {
    const std::uint64_t r = read_.load(std::memory_order_acquire);
    const std::uint64_t w = write_.load(std::memory_order_acquire);
    return static_cast<int>(w >= r ? w - r : 0);
}
