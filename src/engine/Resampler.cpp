#include "Resampler.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

enum Side { Left, Right, Middle, Silent };

// Where each channel of the usual order for its count sits (WAVE and Vorbis order: front left,
// front right, centre, low frequencies, back, side).
Side sideOf(int channel, int channels) {
    if (channels == 1) return Middle;
    if (channel < 2) return channel == 0 ? Left : Right;
    switch (channels) {
    case 3:
        return Middle; // L R C
    case 4:
        return channel == 2 ? Left : Right; // L R BL BR
    case 5:
        return channel == 2 ? Middle : channel == 3 ? Left : Right; // L R C BL BR
    default:
        if (channel == 2) return Middle;
        if (channel == 3) return Silent;                  // the low-frequency channel carries no direction
        if (channels == 7 && channel == 4) return Middle; // back centre of 6.1
        return (channel - (channels == 7 ? 5 : 4)) % 2 == 0 ? Left : Right;
    }
}

} // namespace

Resampler::~Resampler() {
    soxr_delete(soxr_);
}

bool Resampler::configure(int channels, int inRate, int outRate) {
    soxr_delete(soxr_);
    soxr_ = nullptr;
    queue_.clear();
    if (channels <= 0 || channels > kMaxChannels || inRate <= 0 || outRate <= 0) return false;
    channels_ = channels;
    inRate_ = inRate;
    outRate_ = outRate;

    // Centre channels reach both sides 3 dB down; then the weights are scaled so that a full-scale
    // signal on every channel does not clip.
    matrix_.fill(0.0f);
    const float half = channels == 1 ? 1.0f : std::sqrt(0.5f);
    for (int c = 0; c < channels; ++c) {
        const Side side = sideOf(c, channels);
        matrix_[2 * c] = side == Left ? 1.0f : side == Middle ? half : 0.0f;
        matrix_[2 * c + 1] = side == Right ? 1.0f : side == Middle ? half : 0.0f;
    }
    if (channels > 2) {
        float loudest = 0.0f;
        for (int out = 0; out < 2; ++out) {
            float sum = 0.0f;
            for (int c = 0; c < channels; ++c)
                sum += matrix_[2 * c + out];
            loudest = std::max(loudest, sum);
        }
        for (float& w : matrix_)
            w /= loudest;
    }

    if (inRate == outRate) return true;
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_ = soxr_create(inRate, outRate, 2, &error, &io, &quality, nullptr);
    return soxr_ && !error;
}

void Resampler::foldToStereo(const float* in, int frames, float* out) const {
    if (channels_ == 2) {
        std::memcpy(out, in, static_cast<std::size_t>(frames) * 2 * sizeof(float));
        return;
    }
    for (int f = 0; f < frames; ++f, in += channels_, out += 2) {
        float left = 0.0f, right = 0.0f;
        for (int c = 0; c < channels_; ++c) {
            left += in[c] * matrix_[2 * c];
            right += in[c] * matrix_[2 * c + 1];
        }
        out[0] = left;
        out[1] = right;
    }
}

bool Resampler::push(const float* interleaved, int frames) {
    if (channels_ <= 0) return false;
    if (frames <= 0) return true;
    if (!soxr_) {
        foldToStereo(interleaved, frames, queue_.room(static_cast<std::size_t>(frames)));
        return true;
    }
    stereo_.resize(static_cast<std::size_t>(frames) * 2);
    foldToStereo(interleaved, frames, stereo_.data());
    // Room for what this input makes plus what the filter held back before it.
    const auto room =
        static_cast<std::size_t>(std::ceil(static_cast<double>(frames) * outRate_ / inRate_) + 64);
    std::size_t done = 0;
    const soxr_error_t error = soxr_process(soxr_, stereo_.data(), static_cast<std::size_t>(frames), nullptr,
                                            queue_.room(room), room, &done);
    queue_.keep(done);
    return !error;
}

void Resampler::drain() {
    if (!soxr_) return;
    for (;;) {
        constexpr std::size_t kRoom = 4096;
        std::size_t done = 0;
        const soxr_error_t error = soxr_process(soxr_, nullptr, 0, nullptr, queue_.room(kRoom), kRoom, &done);
        queue_.keep(done);
        if (error || done < kRoom) return;
    }
}

int Resampler::pull(float* stereo, int frames) {
    return queue_.pull(stereo, frames);
}

void Resampler::clear() {
    queue_.clear();
    if (soxr_) soxr_clear(soxr_);
}
