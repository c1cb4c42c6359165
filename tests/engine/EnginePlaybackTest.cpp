// What the output receives: volume, pan, equalizer, spectrum, the end of a
// track and the next one behind it, recorded through the WAV output.
#include "AudioFixtures.h"
#include "VexoEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

double db(double ratio) {
    return 20 * std::log10(ratio);
}

// A sine on a DC offset never passes through exact zero, so silence in the
// recording is always the engine's.
std::string offsetTone(const std::string& name, double seconds, int hz) {
    return makeAudio(name, toneInput("0.3+0.2*sin(2*PI*" + std::to_string(hz) + "*t)", 44100, seconds) +
                               "-c:a pcm_s16le");
}

} // namespace

TEST(EnginePlayback, VolumeAndPanScaleEachChannel) {
    const std::string path =
        makeAudio("pan.wav", toneInput("0.5*sin(2*PI*1000*t)", 44100, 0.6) + "-c:a pcm_s16le");
    struct Case {
        int volume;
        float pan;
        double left, right;
    };
    for (const Case& c : {Case{100, 0.0f, 0.5, 0.5}, Case{50, 0.0f, 0.25, 0.25}, Case{-9, 0.0f, 0.0, 0.0},
                          Case{250, 0.0f, 0.5, 0.5}, Case{100, 0.5f, 0.25, 0.5},
                          Case{100, -0.75f, 0.5, 0.125}, Case{80, 1.0f, 0.0, 0.4}}) {
        SCOPED_TRACE(::testing::Message() << "volume " << c.volume << " pan " << c.pan);
        const Pcm pcm = playAndRecord(path, [&](VexoEngine& e, unsigned h) {
            e.SetVolume(h, c.volume);
            e.setPan(h, c.pan);
        });
        ASSERT_GT(pcm.frames(), 0);
        const auto [begin, end] = soundingSpan(pcm);
        if (c.left == 0 && c.right == 0) {
            EXPECT_EQ(end, 0) << "muted, yet something was heard";
            continue;
        }
        EXPECT_NEAR(end - begin, 26460, 2);
        const int start = begin + 4410;
        EXPECT_NEAR(toneAmplitude(pcm, 0, 1000, start, 8820), c.left, 0.002);
        EXPECT_NEAR(toneAmplitude(pcm, 1, 1000, start, 8820), c.right, 0.002);
    }
}

TEST(EnginePlayback, EqualizerBandsBoostAndCutAtTheirCentreOnly) {
    const std::string path =
        makeAudio("three-tones.wav",
                  toneInput("0.05*sin(2*PI*1000*t)+0.05*sin(2*PI*2000*t)+0.05*sin(2*PI*4000*t)", 44100, 0.8) +
                      "-c:a pcm_s16le");
    const Pcm flat = readWav(path);
    FxHandle boost = 0, cut = 0, removed = 0;
    const Pcm pcm = playAndRecord(path, [&](VexoEngine& e, unsigned h) {
        // Bands as the player sets them: one semitone wide.
        removed = e.addEffect(h, FxType::ParamEq, 1);
        boost = e.addEffect(h, FxType::ParamEq, 1);
        cut = e.addEffect(h, FxType::ParamEq, 1);
        EXPECT_TRUE(e.setEffectParameters(removed, {2000.0f, 1.0f, 15.0f}));
        EXPECT_TRUE(e.setEffectParameters(boost, {1000.0f, 1.0f, 12.0f}));
        EXPECT_TRUE(e.setEffectParameters(cut, {4000.0f, 1.0f, -9.0f}));
        e.removeEffect(h, removed);
        EXPECT_FALSE(e.effectParameters(removed));
        const auto p = e.effectParameters(boost);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->centerHz, 1000.0f);
        EXPECT_EQ(p->gainDb, 12.0f);
    });
    ASSERT_GT(pcm.frames(), 0);
    const int start = pcm.frames() - 44100 * 4 / 10;
    for (int channel = 0; channel < 2; ++channel) {
        const auto gain = [&](double hz) {
            return db(toneAmplitude(pcm, channel, hz, start, 8820) /
                      toneAmplitude(flat, channel, hz, 22050, 8820));
        };
        EXPECT_NEAR(gain(1000), 12.0, 0.5);
        EXPECT_NEAR(gain(2000), 0.0, 0.5) << "an octave away the band must not matter";
        EXPECT_NEAR(gain(4000), -9.0, 0.5);
    }
}

TEST(EnginePlayback, EndSyncComesOnceAfterTheLastFrameAndNothingIsCut) {
    const std::string first = offsetTone("first.wav", 0.7, 500);
    const std::string second = offsetTone("second.wav", 0.5, 900);
    const std::string out = fixtureFolder() + "/two-tracks.wav";
    setenv("VEXO_AUDIO", ("wav:" + out).c_str(), 1);
    std::mutex mutex;
    std::condition_variable changed;
    int ends = 0;
    bool onGuiThread = true;
    std::chrono::steady_clock::time_point endTime;
    const auto playTime = std::chrono::steady_clock::now();
    {
        VexoEngine engine;
        ASSERT_TRUE(engine.openOutput(44100));
        const auto gui = std::this_thread::get_id();
        StreamHandle h = engine.Create(first);
        engine.notifyAtEnd(h, [&](EndReason) {
            std::lock_guard lock(mutex);
            ++ends;
            onGuiThread = std::this_thread::get_id() == gui;
            endTime = std::chrono::steady_clock::now();
            changed.notify_all();
        });
        engine.Play(h);
        {
            std::unique_lock lock(mutex);
            ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(5), [&] { return ends > 0; }));
        }
        // As the player does: stop and free the old stream, start the next.
        engine.Stop(h);
        engine.ChannelFree(h);
        h = engine.Create(second);
        std::atomic<bool> secondEnded{false};
        engine.notifyAtEnd(h, [&](EndReason) { secondEnded = true; });
        engine.Play(h);
        ASSERT_TRUE(waitFor([&] { return secondEnded.load(); }, 5000));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        engine.closeOutput();
    }
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(onGuiThread);
    EXPECT_GE(endTime - playTime, std::chrono::milliseconds(600))
        << "end reported before the track was played";

    // With the silence between them taken out, the recording is exactly the
    // first track followed by the second: no frame of the tail lost.
    const Pcm pcm = readWav(out);
    const Pcm a = readWav(first), b = readWav(second);
    std::vector<float> heard, expected(a.samples);
    expected.insert(expected.end(), b.samples.begin(), b.samples.end());
    for (int f = 0; f < pcm.frames(); ++f)
        if (pcm.at(f, 0) != 0.0f || pcm.at(f, 1) != 0.0f)
            heard.insert(heard.end(), {pcm.at(f, 0), pcm.at(f, 1)});
    ASSERT_EQ(heard.size(), expected.size());
    EXPECT_TRUE(heard == expected);
}

TEST(EnginePlayback, AFollowerStartsAtTheNextSampleWithItsStreamsControlsAndADroppedOneNeverSounds) {
    const std::string first = offsetTone("lead.wav", 0.7, 500);
    const std::string second = offsetTone("follow.wav", 0.5, 900);
    const std::string dropped = offsetTone("dropped.wav", 0.4, 300);
    const std::string out = fixtureFolder() + "/joined.wav";
    setenv("VEXO_AUDIO", ("wav:" + out).c_str(), 1);
    {
        VexoEngine engine;
        ASSERT_TRUE(engine.openOutput(44100));
        std::atomic<int> ended{0};
        std::atomic<EndReason> missing{EndReason::Played};
        const StreamHandle gone = engine.Open(fixtureFolder() + "/no such file.wav");
        engine.notifyAtEnd(gone, [&](EndReason why) { missing = why; });
        const StreamHandle h = engine.Open(first);
        EXPECT_EQ(engine.GetLength(h), 0) << "its facts are not known before it is open";
        engine.SetVolume(h, 50);
        engine.Play(h);
        const StreamHandle next = engine.OpenFollower(h, second);
        engine.notifyAtEnd(h, [&](EndReason) { ++ended; });
        ASSERT_TRUE(waitFor([&] { return ended.load() == 1; }, 5000));
        EXPECT_TRUE(engine.tookOver(next));
        EXPECT_TRUE(engine.IsActiveChannel(next));
        engine.ChannelFree(h);
        engine.ChannelFree(engine.OpenFollower(next, dropped));
        engine.notifyAtEnd(next, [&](EndReason) { ++ended; });
        ASSERT_TRUE(waitFor([&] { return ended.load() == 2; }, 5000));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        engine.closeOutput();
        EXPECT_EQ(missing.load(), EndReason::Missing);
    }
    // The recording's sound is the two tracks at half volume, one right after the other.
    const Pcm pcm = readWav(out);
    const Pcm a = readWav(first), b = readWav(second);
    const auto [begin, end] = soundingSpan(pcm);
    ASSERT_EQ(end - begin, a.frames() + b.frames());
    for (int f = 0; f < end - begin; ++f) {
        const Pcm& from = f < a.frames() ? a : b;
        const int g = f < a.frames() ? f : f - a.frames();
        // Halved, the recording rounds it to 16 bits again.
        ASSERT_NEAR(pcm.at(begin + f, 0), from.at(g, 0) * 0.5f, 1.01f / 32768) << "frame " << f;
    }
}

TEST(EnginePlayback, SpectrumPeaksAtTheBinOfTheToneBeingHeard) {
    setenv("VEXO_AUDIO", "null", 1);
    const double binHz = 44100.0 / 1024;
    const std::string low =
        makeAudio("bin40.wav", toneInput("0.8*sin(2*PI*" + std::to_string(40 * binHz) + "*t)", 44100, 3));
    VexoEngine engine;
    ASSERT_TRUE(engine.openOutput(44100));
    const StreamHandle h = engine.Create(low);
    float fft[kFftBins] = {};
    engine.SetVolume(h, 10); // the analyser shows the stream, not the speaker level
    engine.Play(h);
    waitFor([] { return false; }, 300);
    ASSERT_TRUE(engine.readSpectrum(h, fft));
    const int peak = static_cast<int>(std::max_element(fft, fft + kFftBins) - fft);
    EXPECT_EQ(peak, 40);
    EXPECT_NEAR(fft[40], 0.8, 0.1);
    for (int i = 0; i < kFftBins; ++i)
        ASSERT_GE(fft[i], 0.0f);
}

TEST(EnginePlayback, OutputSleepsThroughSilenceAndWakesForTheNextTrack) {
    const std::string path = offsetTone("sleep.wav", 0.3, 500);
    const std::string wav = fixtureFolder() + "/sleep-recording.wav";
    setenv("VEXO_AUDIO", ("wav:" + wav).c_str(), 1);
    {
        VexoEngine engine;
        ASSERT_TRUE(engine.openOutput(44100));
        for (int round = 0; round < 2; ++round) {
            const unsigned h = engine.Create(path);
            std::atomic<bool> ended{false};
            engine.notifyAtEnd(h, [&](EndReason) { ended = true; });
            engine.Play(h);
            ASSERT_TRUE(waitFor([&] { return ended.load(); }, 5000));
            engine.ChannelFree(h);
            // Long enough for the output to fall asleep after the tail.
            std::this_thread::sleep_for(std::chrono::milliseconds(round == 0 ? 3500 : 0));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        engine.closeOutput();
    }
    const Pcm pcm = readWav(wav);
    ASSERT_GT(pcm.frames(), 0);
    // Both tones were written whole...
    int sounding = 0;
    for (int i = 0; i < pcm.frames(); ++i)
        sounding += pcm.at(i, 0) != 0.0f;
    EXPECT_NEAR(sounding, 2 * 13230, 4);
    // ...but the seconds of silence between them were not all paced out:
    // the output stopped asking for audio once nothing played.
    EXPECT_LT(pcm.frames(), 44100 * 3);
}

TEST(EnginePlayback, ARecordingThatCannotBeWrittenIsReportedAtStartAndAtEachPlay) {
    std::atomic<int> reports{0};
    setenv("VEXO_AUDIO", "wav:/nonexistent-folder/out.wav", 1);
    VexoEngine engine;
    EXPECT_FALSE(engine.openOutput(44100));
    engine.notifyOutputFailure([&reports](const std::string& why) {
        if (why.find("/nonexistent-folder/out.wav") != std::string::npos) ++reports;
    });
    EXPECT_TRUE(waitFor([&] { return reports == 1; }, 2000));
    engine.Play(engine.Create(makeAudio("unrecorded.wav", "-f lavfi -i sine=d=0.2")));
    EXPECT_TRUE(waitFor([&] { return reports == 2; }, 2000));
    engine.closeOutput();
}
