// Going back over audio already handed to the output: what the mixer makes
// again must be exactly what it would have made had the change come at the
// slice it went back to, and it must never undo the end of a stream.
#include "DecoderThread.h"
#include "Mixer.h"
#include "PeakingEq.h"
#include "Stream.h"
#include "WakeSignal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// A noise-like but reproducible signal, `length` frames long, that tells
// every frame from its neighbours.
class PatternDecoder : public Decoder {
  public:
    explicit PatternDecoder(std::int64_t length) : length_(length) {
        facts_.sampleRate = 44100, facts_.channels = 2;
    }
    const StreamFacts& facts() const override { return facts_; }
    bool start(int) override { return true; }
    int read(float* stereo, int frames) override {
        int n = 0;
        for (; n < frames && next_ < length_; ++n, ++next_) {
            stereo[2 * n] = static_cast<float>(0.5 * std::sin(0.05 * static_cast<double>(next_)));
            stereo[2 * n + 1] = static_cast<float>(0.4 * std::sin(0.013 * static_cast<double>(next_) + 1.0));
        }
        return n;
    }
    bool seek(std::int64_t frame) override {
        next_ = frame;
        return true;
    }

  private:
    StreamFacts facts_;
    std::int64_t length_;
    std::int64_t next_ = 0;
};

constexpr int kMarks = 8;

std::unique_ptr<Stream> playingStream(std::int64_t length) {
    auto s = std::make_unique<Stream>(std::make_unique<PatternDecoder>(length));
    s->aheadFrames = 16384;
    s->markCount = kMarks;
    s->marks = std::make_unique<MixMark[]>(kMarks);
    s->ring = std::make_unique<SpscRing>(s->aheadFrames + kMarks * Mixer::kSliceFrames, true);
    s->running = true;
    return s;
}

void setGain(Stream& s, int band, double gainDb) {
    s.eq.setBand(band, PeakingCoefficients(44100, 1000, 12, gainDb));
}

std::vector<float> render(Mixer& mixer, Stream& s, int frames) {
    std::vector<float> out(static_cast<std::size_t>(frames) * 2);
    // In pieces of odd sizes, as a sound server asks.
    for (int done = 0; done < frames;) {
        DecoderThread::fill(s);
        const int n = std::min(frames - done, 700);
        mixer.render(out.data() + 2 * done, n);
        done += n;
    }
    return out;
}

} // namespace

TEST(MixerRewind, AudioMadeAgainEqualsAChangeMadeAtTheSliceGoneBackTo) {
    WakeSignal wake;
    // The reference hears the change exactly at frame 3 * 1024.
    Mixer reference(wake);
    auto r = playingStream(1'000'000);
    r->eq.claimBand(PeakingCoefficients(44100, 1000, 12, 6));
    reference.attach(r.get());
    std::vector<float> expected = render(reference, *r, 3 * Mixer::kSliceFrames);
    r->volume = 0.5f;
    r->pan = 0.3f;
    setGain(*r, 0, -9);
    const std::vector<float> after = render(reference, *r, 9000 - 3 * Mixer::kSliceFrames);
    expected.insert(expected.end(), after.begin(), after.end());

    // The mixer under test had already gone on to frame 9000 when the change came.
    Mixer mixer(wake);
    auto s = playingStream(1'000'000);
    s->eq.claimBand(PeakingCoefficients(44100, 1000, 12, 6));
    mixer.attach(s.get());
    std::vector<float> heard = render(mixer, *s, 9000);
    s->volume = 0.5f;
    s->pan = 0.3f;
    setGain(*s, 0, -9);
    // 9000 - 6000 = 3000 is no slice start: it goes back to the next one, 3072.
    const int back = mixer.rewind(6000);
    ASSERT_EQ(back, 9000 - 3 * Mixer::kSliceFrames);
    EXPECT_EQ(mixer.framesRendered(), 3 * Mixer::kSliceFrames);
    const std::vector<float> again = render(mixer, *s, back);
    std::copy(again.begin(), again.end(), heard.end() - 2 * back);

    ASSERT_EQ(heard.size(), expected.size());
    for (std::size_t i = 0; i < heard.size(); ++i)
        ASSERT_EQ(heard[i], expected[i]) << "sample " << i;
    EXPECT_EQ(mixer.framesRendered(), 9000);
    // The stream's clock tells the same story: every frame mixed once.
    EXPECT_EQ(s->clock.read().renderedFrames, 9000);
    EXPECT_EQ(s->tap.written(), 9000);

    // Only the remembered slices are in reach, however far one asks.
    render(mixer, *s, 20 * Mixer::kSliceFrames);
    EXPECT_LE(mixer.rewind(1'000'000), kMarks * Mixer::kSliceFrames);
}

TEST(MixerRewind, PausedWhileQueuedResumesWhereTheListenerLeftOff) {
    WakeSignal wake;
    Mixer reference(wake);
    auto r = playingStream(1'000'000);
    reference.attach(r.get());
    std::vector<float> expected = render(reference, *r, 2 * Mixer::kSliceFrames);

    Mixer mixer(wake);
    auto s = playingStream(1'000'000);
    mixer.attach(s.get());
    render(mixer, *s, 5000);
    s->running = false;
    ASSERT_EQ(mixer.rewind(5000 - 2 * Mixer::kSliceFrames), 5000 - 2 * Mixer::kSliceFrames);
    const std::vector<float> paused = render(mixer, *s, 3000);
    for (float v : paused)
        ASSERT_EQ(v, 0.0f);
    // Resumed: the next frame is the one after the last frame before the pause.
    s->running = true;
    const std::vector<float> resumed = render(mixer, *s, 500);
    const std::vector<float> continued = render(reference, *r, 500);
    EXPECT_EQ(resumed, continued);
}

TEST(MixerRewind, NeverGoesBackAcrossTheEndOfAStream) {
    WakeSignal wake;
    Mixer mixer(wake);
    auto ended = playingStream(3000);
    auto next = playingStream(1'000'000);
    mixer.attach(ended.get());
    render(mixer, *ended, 5000);
    ASSERT_TRUE(ended->ended());
    // The next track starts right behind the tail; a change then may go back
    // to the tail's end but not into it, which would cut or repeat it.
    mixer.attach(next.get());
    next->volume = 0.5f;
    EXPECT_EQ(mixer.rewind(4000), 5000 - 3 * Mixer::kSliceFrames);
    EXPECT_TRUE(ended->ended());
    EXPECT_EQ(mixer.rewind(1000), 0);
}

TEST(MixerRewind, ASeekTakesEffectAtTheSliceGoneBackTo) {
    WakeSignal wake;
    Mixer mixer(wake);
    auto s = playingStream(1'000'000);
    mixer.attach(s.get());
    render(mixer, *s, 6000);
    // What the decoder thread does for a seek, done here by hand.
    s->requestSeek(100'000);
    s->decoder->seek(100'000);
    s->decoderSerial = s->seekRequest.load();
    s->flushMark = s->ring->writeCount();
    s->seekDone = s->decoderSerial;
    DecoderThread::fill(*s);
    ASSERT_EQ(mixer.rewind(6000 - 2 * Mixer::kSliceFrames), 6000 - 2 * Mixer::kSliceFrames);
    const std::vector<float> again = render(mixer, *s, 10);

    PatternDecoder fresh(1'000'000);
    fresh.seek(100'000);
    std::vector<float> expected(20);
    fresh.read(expected.data(), 10);
    EXPECT_EQ(again, expected);
    EXPECT_EQ(s->clock.read().renderedFrames, 10);
}

// Controls sent faster than the output can usefully make its queue again come
// to it together: at most one rewrite per 20 ms, and one after the last change.
TEST(MixerRewind, FastRequestsComeTogetherAndTheLastIsServed) {
    using Clock = std::chrono::steady_clock;
    WakeSignal wake;
    Mixer mixer(wake);
    std::atomic<int> value{0};
    std::mutex lock;
    std::vector<std::pair<Clock::time_point, int>> rewrites;
    DecoderThread thread(mixer, wake, {}, [&] {
        std::lock_guard held(lock);
        rewrites.emplace_back(Clock::now(), value.load());
    });
    const auto begin = Clock::now();
    int sent = 0;
    while (Clock::now() - begin < std::chrono::milliseconds(300)) {
        value = ++sent;
        thread.requestRewrite();
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    auto lastServed = [&] {
        std::lock_guard held(lock);
        return !rewrites.empty() && rewrites.back().second == sent;
    };
    for (int tries = 0; tries < 500 && !lastServed(); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::lock_guard held(lock);
    EXPECT_TRUE(!rewrites.empty() && rewrites.back().second == sent)
        << "the last change was never made again";
    // Each rewrite is due 20 ms after the one before, all of them after `begin`.
    EXPECT_LE(std::chrono::milliseconds(20) * static_cast<int>(rewrites.size() - 1),
              rewrites.back().first - begin)
        << rewrites.size() << " rewrites for " << sent << " changes";
}
