#include "SpectrumTap.h"

void SpectrumTap::write(const float* stereo, int frames) {
    std::int64_t w = written_.load(std::memory_order_relaxed);
    for (int i = 0; i < frames; ++i, ++w)
        samples_[slot(w)].store(0.5f * (stereo[2 * i] + stereo[2 * i + 1]), std::memory_order_relaxed);
    written_.store(w, std::memory_order_release);
}

void SpectrumTap::copy(std::int64_t end, float* out, int count) const {
    const std::int64_t first = end - count;
    for (int i = 0; i < count; ++i) {
        const std::int64_t index = first + i;
        out[i] = index >= 0 ? samples_[slot(index)].load(std::memory_order_relaxed) : 0.0f;
    }
    // Anything the writer may have lapped while we copied is not trustworthy.
    const std::int64_t oldestIntact = written_.load(std::memory_order_acquire) - kCapacity;
    for (int i = 0; i < count && first + i < oldestIntact; ++i)
        out[i] = 0.0f;
}
