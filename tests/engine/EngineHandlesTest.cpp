// Handles: every call is harmless with 0, a freed handle or a handle of
// another kind; states follow Play, Pause, Stop and the end of the stream.
#include "AudioFixtures.h"
#include "VexoEngine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

std::string shortTone() {
    return makeAudio("short.wav",
                     "-f lavfi -i aevalsrc=0.5*sin(2*PI*440*t):s=44100:d=0.4 -ac 2 -c:a pcm_s16le");
}

// Effect calls are checked separately: an effect handle is valid for them.
void expectRefusedEverywhere(VexoEngine& engine, StreamHandle h) {
    engine.Play(h);
    engine.Pause(h);
    engine.Stop(h);
    engine.SetPosition(h, 1000);
    engine.SetVolume(h, 50);
    engine.setPan(h, 0.5f);
    EXPECT_FALSE(engine.IsActiveChannel(h));
    EXPECT_EQ(engine.heardPosition(h), 0);
    EXPECT_EQ(engine.SecToByte(h, 1.0), 0);
    EXPECT_EQ(engine.GetLength(h), 0);
    EXPECT_EQ(engine.GetAllTime(h), 0);
    EXPECT_EQ(engine.CurTime(h), 0);
    EXPECT_EQ(engine.CurTimeRevers(h), 0);
    EXPECT_EQ(engine.GetBitrate(h), 0u);
    EXPECT_FALSE(engine.streamInfo(h));
    float fft[kFftBins];
    EXPECT_FALSE(engine.readSpectrum(h, fft));
    EXPECT_FALSE(engine.TagTitle(h));
    EXPECT_FALSE(engine.TagComment(h));
    EXPECT_EQ(engine.notifyAtEnd(h, [](EndReason) {}), 0u);
    EXPECT_EQ(engine.addEffect(h, FxType::ParamEq, 1), 0u);
    engine.ChannelFree(h);
}

} // namespace

TEST(EngineHandles, ZeroFreedAndForeignHandlesAreRefused) {
    setenv("VEXO_AUDIO", "null", 1);
    VexoEngine engine;
    ASSERT_TRUE(engine.openOutput(44100));
    const StreamHandle live = engine.Create(shortTone());
    ASSERT_NE(live, 0u);
    const StreamHandle freed = engine.Create(shortTone());
    engine.Play(freed);
    engine.ChannelFree(freed);
    const FxHandle fx = engine.addEffect(live, FxType::ParamEq, 1);
    ASSERT_NE(fx, 0u);
    const SyncHandle sync = engine.notifyAtEnd(live, [](EndReason) {});

    for (const StreamHandle h : {StreamHandle{0}, freed, StreamHandle{fx}, StreamHandle{sync}, live + 1000}) {
        SCOPED_TRACE(h);
        expectRefusedEverywhere(engine, h);
    }
    for (const FxHandle h : {FxHandle{0}, FxHandle{live}, FxHandle{sync}, fx + 1000}) {
        EXPECT_FALSE(engine.effectParameters(h));
        EXPECT_FALSE(engine.setEffectParameters(h, ParamEqParams{}));
        engine.removeEffect(live, h);
    }
    engine.removeEffect(0, fx); // the effect belongs to `live`, not to stream 0
    // The live stream and its effect were not touched by any of that.
    EXPECT_EQ(engine.GetLength(live), 2 * 2 * 17640);
    EXPECT_TRUE(engine.effectParameters(fx));
    // A handle is never handed out twice.
    const StreamHandle again = engine.Create(shortTone());
    EXPECT_NE(again, 0u);
    for (const auto old : {live, freed, StreamHandle{fx}, StreamHandle{sync}})
        EXPECT_NE(again, old);
    engine.Play(live);
    engine.closeOutput();
    engine.closeOutput();
    EXPECT_EQ(engine.GetLength(live), 0);
    // The engine starts again after closeOutput with nothing of the old streams left.
    ASSERT_TRUE(engine.openOutput(44100));
    const StreamHandle fresh = engine.Create(shortTone());
    engine.Play(fresh);
    EXPECT_TRUE(engine.IsActiveChannel(fresh));
    waitFor([] { return false; }, 100);
    EXPECT_GT(engine.heardPosition(fresh), 0);
}

TEST(EngineHandles, PauseTogglesAndOnlyPlayingCountsAsActive) {
    setenv("VEXO_AUDIO", "null", 1);
    VexoEngine engine;
    ASSERT_TRUE(engine.openOutput(44100));
    const StreamHandle h = engine.Create(shortTone());
    std::atomic<int> ends{0};
    engine.notifyAtEnd(h, [&](EndReason) { ++ends; });
    EXPECT_FALSE(engine.IsActiveChannel(h));
    engine.Pause(h); // pausing a stream that never played does not start it
    EXPECT_FALSE(engine.IsActiveChannel(h));
    engine.Play(h);
    EXPECT_TRUE(engine.IsActiveChannel(h));
    engine.Pause(h);
    EXPECT_FALSE(engine.IsActiveChannel(h));
    const std::int64_t pausedAt = engine.heardPosition(h);
    waitFor([] { return false; }, 100);
    EXPECT_EQ(engine.heardPosition(h), pausedAt);
    engine.Pause(h);
    EXPECT_TRUE(engine.IsActiveChannel(h));
    engine.Stop(h);
    EXPECT_FALSE(engine.IsActiveChannel(h));
    EXPECT_EQ(engine.heardPosition(h), 0);
    engine.Play(h);
    ASSERT_TRUE(waitFor([&] { return ends.load() == 1; }, 3000));
    EXPECT_FALSE(engine.IsActiveChannel(h));
    // Once the output has played its buffer, the whole stream was heard.
    waitFor([] { return false; }, 200);
    EXPECT_EQ(engine.heardPosition(h), engine.GetLength(h));
    EXPECT_EQ(engine.CurTimeRevers(h), 0);
    engine.Pause(h); // an ended stream stays ended
    EXPECT_FALSE(engine.IsActiveChannel(h));
    // Play after the end starts over, and the end is reported again.
    engine.Play(h);
    EXPECT_TRUE(engine.IsActiveChannel(h));
    EXPECT_LT(engine.heardPosition(h), engine.GetLength(h) / 2);
    ASSERT_TRUE(waitFor([&] { return ends.load() == 2; }, 3000));
}

TEST(EngineHandles, PositionsTimesAndValuesInTheStreamsOwnUnits) {
    setenv("VEXO_AUDIO", "null", 1);
    VexoEngine engine;
    ASSERT_TRUE(engine.openOutput(44100));
    // 22050 Hz mono: one second is 44100 bytes.
    const std::string path = makeAudio(
        "long-mono.wav", "-f lavfi -i aevalsrc=0.5*sin(2*PI*440*t):s=22050:d=5 -ac 1 -c:a pcm_s16le");
    const StreamHandle h = engine.Create(path);
    EXPECT_EQ(engine.SecToByte(h, 0.02), 882);
    EXPECT_EQ(engine.SecToByte(h, -1.0), 0);
    EXPECT_EQ(engine.GetLength(h), 5 * 44100);
    EXPECT_EQ(engine.GetAllTime(h), 5);
    // Seeking before the first Play starts playback there.
    engine.SetPosition(h, 3 * 44100 + 1); // an odd byte is rounded down to a whole frame
    EXPECT_EQ(engine.heardPosition(h), 3 * 44100);
    EXPECT_EQ(engine.CurTime(h), 3);
    EXPECT_EQ(engine.CurTimeRevers(h), 2);
    engine.Play(h);
    waitFor([] { return false; }, 300);
    const std::int64_t heard = engine.heardPosition(h);
    EXPECT_GT(heard, 3 * 44100);
    EXPECT_LT(heard, 3 * 44100 + 44100 / 2) << "position runs ahead of what was heard";
    // Seeking while playing reports the target at once, then moves on from it.
    engine.SetPosition(h, 1 * 44100);
    EXPECT_EQ(engine.heardPosition(h), 44100);
    waitFor([] { return false; }, 200);
    EXPECT_GT(engine.heardPosition(h), 44100);
    EXPECT_LT(engine.heardPosition(h), 44100 + 44100 / 2);
    engine.SetPosition(h, 1'000'000'000); // beyond the end: clamped
    EXPECT_EQ(engine.heardPosition(h), engine.GetLength(h));
}

TEST(EngineHandles, UrlsAndBrokenFilesGiveNoStream) {
    setenv("VEXO_AUDIO", "null", 1);
    VexoEngine engine;
    ASSERT_TRUE(engine.openOutput(44100));
    const std::string good = shortTone();
    for (const std::string& path :
         {std::string("http://127.0.0.1:9/a.mp3"), std::string("https://example.invalid/a.mp3"),
          std::string("rtsp://10.0.0.1/x"), "file://" + good, std::string("data:audio/wav;base64,UklGRg=="),
          std::string(""), fixtureFolder(), fixtureFolder() + "/missing.mp3", makeFile("empty.mp3", ""),
          makeFile("garbage.mp3", std::string(5000, '\x5a')),
          makeFile("text.wav", "RIFF....WAVEnot really")}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(engine.Create(path), 0u);
    }
    // ':' is an ordinary file-name character for local files.
    const std::string colon = fixtureFolder() + "/a:b.wav";
    ASSERT_EQ(std::system(("cp '" + good + "' '" + colon + "'").c_str()), 0);
    EXPECT_NE(engine.Create(colon), 0u);
    ASSERT_EQ(chdir(fixtureFolder().c_str()), 0);
    EXPECT_NE(engine.Create("a:b.wav"), 0u);
}

TEST(EngineHandles, TruncatedAndDamagedFilesEndCleanly) {
    setenv("VEXO_AUDIO", "null", 1);
    const std::string mp3 =
        makeAudio("whole.mp3", "-f lavfi -i aevalsrc=0.5*sin(2*PI*440*t):s=44100:d=2 -ac 2 -c:a libmp3lame");
    const std::string flac = makeAudio("whole.flac", "-f lavfi -i anoisesrc=r=44100:d=2 -ac 2 -c:a flac");
    std::ifstream mp3In(mp3, std::ios::binary), flacIn(flac, std::ios::binary);
    const std::string mp3Bytes((std::istreambuf_iterator<char>(mp3In)), {});
    const std::string flacBytes((std::istreambuf_iterator<char>(flacIn)), {});
    std::string scrambled = flacBytes;
    for (std::size_t i = 200; i < scrambled.size(); i += 97)
        scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5a);

    VexoEngine engine;
    ASSERT_TRUE(engine.openOutput(44100));
    engine.setDecodeAhead(100);
    for (const std::string& path : {makeFile("half.mp3", mp3Bytes.substr(0, mp3Bytes.size() / 2)),
                                    makeFile("half.flac", flacBytes.substr(0, flacBytes.size() / 3)),
                                    makeFile("scrambled.flac", scrambled)}) {
        SCOPED_TRACE(path);
        const StreamHandle h = engine.Create(path);
        if (h == 0) continue; // refusing is a clean outcome too
        std::atomic<bool> ended{false};
        engine.notifyAtEnd(h, [&](EndReason) { ended = true; });
        engine.Play(h);
        EXPECT_TRUE(waitFor([&] { return ended.load(); }, 5000));
        EXPECT_FALSE(engine.IsActiveChannel(h));
        engine.ChannelFree(h);
    }
}
