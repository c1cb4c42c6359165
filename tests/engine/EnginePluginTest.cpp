// Decoder plug-ins: a built test plug-in adds ".tone"; other files are ignored.
#include "AudioFixtures.h"
#include "FfmpegEngine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

TEST(EnginePlugins, ThePluginsExtensionPlaysThroughTheEngine) {
    const std::string tone = makeFile("a.tone", "1000 22050 1 0.5\n");
    {
        FfmpegEngine engine;
        EXPECT_EQ(engine.Create(tone), 0u) << "no decoder for .tone before the plug-in";
        // Not a shared object, a missing file, a library without our entry point: ignored.
        engine.loadPlugin(makeFile("fake.so", "not an ELF file"));
        engine.loadPlugin(fixtureFolder() + "/missing.so");
        engine.loadPlugin("libm.so.6");
        EXPECT_EQ(engine.Create(tone), 0u);
        engine.loadPlugin(VEXO_TONE_PLUGIN);
        const StreamHandle h = engine.Create(tone);
        ASSERT_NE(h, 0u);
        EXPECT_EQ(engine.GetLength(h), 11025 * 2);
        EXPECT_EQ(engine.TagTitle(h), "Plug-in tone");
        EXPECT_FALSE(engine.TagArtist(h));
        const auto info = engine.streamInfo(h);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->sampleRate, 22050);
        EXPECT_EQ(info->codec, "tone");
        // Formats FFmpeg reads still open next to the plug-in.
        EXPECT_NE(engine.Create(makeAudio("beside.wav", "-f lavfi -i sine=d=0.2 -c:a pcm_s16le")), 0u);
        EXPECT_EQ(engine.Create(makeFile("bad.tone", "nonsense")), 0u);
    }
    // Resampled from 22050 Hz mono to both channels at the output rate.
    const std::string out = fixtureFolder() + "/plugin.wav";
    setenv("VEXO_AUDIO", ("wav:" + out).c_str(), 1);
    {
        FfmpegEngine engine;
        ASSERT_TRUE(engine.openOutput(44100));
        engine.loadPlugin(VEXO_TONE_PLUGIN);
        const StreamHandle h = engine.Create(tone);
        std::atomic<bool> ended{false};
        engine.notifyAtEnd(h, [&](EndReason) { ended = true; });
        engine.Play(h);
        ASSERT_TRUE(waitFor([&] { return ended.load(); }, 5000));
        engine.SetPosition(h, 0); // seeking goes through the plug-in too
        EXPECT_EQ(engine.heardPosition(h), 0);
        waitFor([] { return false; }, 60);
        engine.closeOutput();
    }
    const Pcm pcm = readWav(out);
    const auto [begin, end] = soundingSpan(pcm);
    EXPECT_NEAR(end - begin, 22050, 4);
    for (int channel = 0; channel < 2; ++channel)
        EXPECT_NEAR(toneAmplitude(pcm, channel, 1000, begin + 4410, 8820), 0.5, 0.01);
}
