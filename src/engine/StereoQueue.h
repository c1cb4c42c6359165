#pragma once
// Interleaved stereo float frames made by a resampler and not yet read: written at the back
// through room asked for first, read from the front.
//
// Threads: one at a time. Allocates.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

class StereoQueue {
  public:
    int frames() const { return static_cast<int>((samples_.size() - head_) / 2); }
    // Room for `count` more frames at the back; keep() then says how many were written.
    float* room(std::size_t count) {
        // Drop what was already read before growing, so the queue stays small.
        if (head_ > 0) {
            samples_.erase(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(head_));
            head_ = 0;
        }
        roomStart_ = samples_.size();
        samples_.resize(roomStart_ + count * 2);
        return samples_.data() + roomStart_;
    }
    void keep(std::size_t written) { samples_.resize(roomStart_ + written * 2); }
    // Copies up to `count` frames to `stereo`; returns how many.
    int pull(float* stereo, int count) {
        const int n = std::min(count, frames());
        if (n <= 0) return 0;
        std::memcpy(stereo, samples_.data() + head_, static_cast<std::size_t>(n) * 2 * sizeof(float));
        head_ += static_cast<std::size_t>(n) * 2;
        if (head_ == samples_.size()) clear();
        return n;
    }
    void clear() {
        samples_.clear();
        head_ = 0;
    }

  private:
    std::vector<float> samples_;
    std::size_t head_ = 0; // floats already read
    std::size_t roomStart_ = 0;
};
