#include "SwrResampler.h"

extern "C" {
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>

SwrResampler::~SwrResampler() {
    swr_free(&swr_);
}

bool SwrResampler::configure(const AVChannelLayout& inLayout, AVSampleFormat inFormat, int inRate,
                             int outRate) {
    swr_free(&swr_);
    queue_.clear();
    framesIn_ = framesOut_ = 0;
    if (inRate <= 0 || outRate <= 0 || inLayout.nb_channels <= 0) return false;

    // Files that only give a channel count get the usual layout for it, so
    // that the stereo downmix knows where each channel sits.
    AVChannelLayout in{};
    if (inLayout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&in, inLayout.nb_channels);
    else if (av_channel_layout_copy(&in, &inLayout) < 0)
        return false;
    AVChannelLayout out = AV_CHANNEL_LAYOUT_STEREO;
    const int rc =
        swr_alloc_set_opts2(&swr_, &out, AV_SAMPLE_FMT_FLT, outRate, &in, inFormat, inRate, 0, nullptr);
    const bool mono = in.nb_channels == 1;
    av_channel_layout_uninit(&in);
    if (rc < 0 || !swr_) return false;
    if (mono) {
        // A mono file should sound as loud on both speakers as it was
        // recorded; the default matrix would lower it by 3 dB.
        const double matrix[2] = {1.0, 1.0};
        swr_set_matrix(swr_, matrix, 1);
    }
    if (swr_init(swr_) < 0) {
        swr_free(&swr_);
        return false;
    }
    inRate_ = inRate;
    outRate_ = outRate;
    return true;
}

bool SwrResampler::convert(const std::uint8_t* const* planes, int frames, std::int64_t limit) {
    if (!swr_) return false;
    const int room = swr_get_out_samples(swr_, frames);
    if (room < 0) return false;
    if (room == 0) return true;
    auto* out = reinterpret_cast<std::uint8_t*>(queue_.room(static_cast<std::size_t>(room)));
    const int produced = swr_convert(swr_, &out, room, const_cast<const std::uint8_t**>(planes), frames);
    const auto kept = std::clamp<std::int64_t>(limit - framesOut_, 0, std::max(produced, 0));
    queue_.keep(static_cast<std::size_t>(kept));
    framesIn_ += frames;
    framesOut_ += kept;
    return produced >= 0;
}

bool SwrResampler::push(const std::uint8_t* const* planes, int frames) {
    if (frames <= 0) return true;
    return convert(planes, frames, INT64_MAX);
}

void SwrResampler::drain() {
    if (!swr_) return;
    // The filter's flush ends a frame early or late at some ratios: a track joined to the next must
    // last exactly as long as it does at its own rate.
    const std::int64_t length = (framesIn_ * outRate_ + inRate_ / 2) / inRate_;
    convert(nullptr, 0, length);
    if (framesOut_ < length) {
        const auto missing = static_cast<std::size_t>(length - framesOut_);
        std::fill_n(queue_.room(missing), missing * 2, 0.0f);
        queue_.keep(missing);
        framesOut_ = length;
    }
}

int SwrResampler::pull(float* stereo, int frames) {
    return queue_.pull(stereo, frames);
}

void SwrResampler::clear() {
    queue_.clear();
    framesIn_ = framesOut_ = 0;
    if (swr_) {
        // Re-initialising drops the filter's delay line but keeps the
        // options, including a custom mono matrix.
        swr_close(swr_);
        swr_init(swr_);
    }
}
