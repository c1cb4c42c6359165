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

bool SwrResampler::convert(const std::uint8_t* const* planes, int frames) {
    if (!swr_) return false;
    const int room = swr_get_out_samples(swr_, frames);
    if (room < 0) return false;
    if (room == 0) return true;
    auto* out = reinterpret_cast<std::uint8_t*>(queue_.room(static_cast<std::size_t>(room)));
    const int produced = swr_convert(swr_, &out, room, const_cast<const std::uint8_t**>(planes), frames);
    queue_.keep(static_cast<std::size_t>(std::max(produced, 0)));
    return produced >= 0;
}

bool SwrResampler::push(const std::uint8_t* const* planes, int frames) {
    if (frames <= 0) return true;
    return convert(planes, frames);
}

void SwrResampler::drain() {
    convert(nullptr, 0);
}

int SwrResampler::pull(float* stereo, int frames) {
    return queue_.pull(stereo, frames);
}

void SwrResampler::clear() {
    queue_.clear();
    if (swr_) {
        // Re-initialising drops the filter's delay line but keeps the
        // options, including a custom mono matrix.
        swr_close(swr_);
        swr_init(swr_);
    }
}
