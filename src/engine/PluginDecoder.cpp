#include "PluginDecoder.h"

#include <algorithm>

namespace {

constexpr int kPieceFrames = 4096;
constexpr int kMaxChannels = Resampler::kMaxChannels;
constexpr int kMaxRate = 768000;

const char* const kTagKeys[kTagCount] = {"title", "artist", "album", "track", "genre", "date", "comment"};

} // namespace

std::unique_ptr<PluginDecoder> PluginDecoder::open(const VexoDecoderFunctions& functions,
                                                   const std::string& path) {
    VexoDecoderInfo info{};
    void* state = functions.open(path.c_str(), &info);
    if (!state) return nullptr;
    std::unique_ptr<PluginDecoder> decoder(new PluginDecoder(functions, state));
    if (info.sampleRate <= 0 || info.sampleRate > kMaxRate || info.channels <= 0 ||
        info.channels > kMaxChannels)
        return nullptr;
    StreamFacts& f = decoder->facts_;
    f.sampleRate = info.sampleRate;
    f.channels = info.channels;
    f.lengthFrames = info.lengthFrames > 0 ? info.lengthFrames : 0;
    f.bitrateKbps = info.bitrateKbps;
    f.codec = info.codec ? info.codec : "plugin";
    if (functions.tag) {
        for (int i = 0; i < kTagCount; ++i)
            if (const char* text = functions.tag(state, kTagKeys[i])) f.tags[i] = std::string(text);
    }
    return decoder;
}

PluginDecoder::~PluginDecoder() {
    functions_.close(state_);
}

bool PluginDecoder::start(int outputRate) {
    const bool ok = resampler_.configure(facts_.channels, facts_.sampleRate, outputRate);
    piece_.resize(static_cast<std::size_t>(kPieceFrames) * facts_.channels);
    return ok;
}

int PluginDecoder::read(float* stereo, int frames) {
    if (piece_.empty()) return 0;
    int done = 0;
    while (done < frames) {
        done += resampler_.pull(stereo + static_cast<std::ptrdiff_t>(done) * 2, frames - done);
        if (done == frames || ended_) break;
        const int n = functions_.read(state_, piece_.data(), kPieceFrames);
        if (n <= 0) {
            // What the resampler still holds comes out on the next pull.
            ended_ = true;
            resampler_.drain();
            done += resampler_.pull(stereo + static_cast<std::ptrdiff_t>(done) * 2, frames - done);
            break;
        }
        resampler_.push(piece_.data(), std::min(n, kPieceFrames));
    }
    return done;
}

bool PluginDecoder::seek(std::int64_t sourceFrame) {
    if (!functions_.seek || functions_.seek(state_, sourceFrame) != 0) return false;
    resampler_.clear();
    ended_ = false;
    return true;
}
