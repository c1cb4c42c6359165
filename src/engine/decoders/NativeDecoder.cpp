#include "NativeDecoder.h"

bool NativeDecoder::start(int outputRate) {
    if (!started_) started_ = resampler_.configure(facts_.channels, facts_.sampleRate, outputRate);
    return started_;
}

int NativeDecoder::read(float* stereo, int frames) {
    if (!started_) return 0;
    int done = 0;
    while (done < frames) {
        done += resampler_.pull(stereo + static_cast<std::ptrdiff_t>(done) * 2, frames - done);
        if (done == frames || ended_) break;
        const int n = decodePiece(piece_);
        if (n <= 0) {
            // What the resampler still holds comes out before the end.
            ended_ = true;
            failed_ = n < 0;
            resampler_.drain();
            continue;
        }
        resampler_.push(piece_.data(), n);
    }
    return done;
}

bool NativeDecoder::seek(std::int64_t sourceFrame) {
    if (!started_) return false;
    // The very end is a place to move to, though not every library can seek there.
    const bool toTheEnd = facts_.lengthFrames > 0 && sourceFrame >= facts_.lengthFrames;
    if (!toTheEnd && !seekSource(sourceFrame)) return false;
    resampler_.clear();
    ended_ = toTheEnd;
    failed_ = false;
    return true;
}
