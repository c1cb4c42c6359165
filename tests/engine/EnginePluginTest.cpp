// Decoder plug-ins: a built test plug-in adds ".tone"; other files are ignored, broken and hostile
// ones refused at no cost to the player.
#include "AudioFixtures.h"
#include "VexoEngine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace {

// A plug-in of one ".bad" decoder, built with the C compiler; the macros before the body change
// what it does. Its open takes files that begin with "x".
std::string buildPlugin(const std::string& name, const std::string& body) {
    const std::string source = makeFile(name + ".c", R"(
#include "VexoPlugin.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
)" + body + R"(
#ifndef RATE
#define RATE 44100
#endif
#ifndef CHANNELS
#define CHANNELS 2
#endif
#ifndef EXTRA
#define EXTRA 0
#endif
#ifndef TABLE
#define TABLE dOpen, dRead, NULL, dClose, NULL
#endif
static void* dOpen(const char* path, VexoDecoderInfo* info) {
    FILE* f = fopen(path, "r");
    const int c = f ? fgetc(f) : 0;
    if (f) fclose(f);
    if (c != 'x') return NULL;
#ifdef SLOW
    sleep(SLOW);
#endif
    info->sampleRate = RATE; info->channels = CHANNELS; info->lengthFrames = 44100;
    return malloc(1);
}
static int dRead(void* s, float* out, int frames) {
    (void)s; memset(out, 0, sizeof(float) * frames * CHANNELS); return frames + EXTRA;
}
static void dClose(void* s) { free(s); }
#ifndef NO_ENTRY
int vexo_plugin_register(const VexoPluginHost* h) {
    const VexoDecoderFunctions f = {TABLE};
    return h->registerDecoder(h->context, ".bad", &f);
}
#endif
)");
    const std::string library = fixtureFolder() + "/" + name + ".so";
    const std::string cc = "cc -shared -fPIC -w -I" VEXO_PLUGIN_INCLUDE " -o " + library + " " + source;
    if (std::system(cc.c_str()) != 0) ADD_FAILURE() << "the C compiler did not build " << name;
    return library;
}

} // namespace

TEST(EnginePlugins, BrokenOrHostilePluginsAreRefusedAndCostOnlyThemselves) {
    setenv("VEXO_AUDIO", "null:unpaced", 1);
    VexoEngine engine;
    ASSERT_TRUE(engine.openOutput(44100));
    const std::string cut = fixtureFolder() + "/cut.so";
    std::filesystem::copy_file(VEXO_TONE_PLUGIN, cut, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
    for (const std::string& plugin :
         {cut, makeFile("fake.so", "not an ELF file"), fixtureFolder() + "/missing.so",
          buildPlugin("data-entry", "#define NO_ENTRY\nint vexo_plugin_register[64] = {1};"),
          buildPlugin("crashing", "__attribute__((constructor)) static void boom(void) { abort(); }"),
          buildPlugin("sleeping", "__attribute__((constructor)) static void nap(void) { sleep(30); }"),
          buildPlugin("garbage", "#define TABLE (void*)0x1000, (void*)0x2000, NULL, (void*)0x3000, NULL"),
          buildPlugin("data-table",
                      "static int junk[4];\n#define TABLE (void*)junk, (void*)junk, NULL, dClose, NULL")}) {
        const auto started = std::chrono::steady_clock::now();
        EXPECT_TRUE(engine.loadPlugin(plugin)) << plugin;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3)) << plugin;
    }
    EXPECT_FALSE(
        engine.loadPlugin(buildPlugin("foreign", "#define NO_ENTRY\nint foreign(void) { return 0; }")));

    // Nonsense from a decoder that passed its trial: refused at open, or its stream fails.
    const std::string x = makeFile("x.bad", "x");
    EXPECT_FALSE(engine.loadPlugin(buildPlugin("one-hertz", "#define RATE 1\n#define CHANNELS 8")));
    EXPECT_EQ(engine.Create(x), 0u);
    EXPECT_FALSE(engine.loadPlugin(buildPlugin("too-many", "#define EXTRA 100")));
    const StreamHandle h = engine.Create(x);
    ASSERT_NE(h, 0u);
    std::atomic<bool> failed{false};
    engine.notifyAtEnd(h, [&](EndReason reason) { failed = reason == EndReason::Failed; });
    engine.Play(h);
    EXPECT_TRUE(waitFor([&] { return failed.load(); }, 5000));
    engine.ChannelFree(h);

    // An open that hangs is given up at the open deadline, and not asked again while it hangs.
    VexoEngine slowEngine;
    EXPECT_FALSE(slowEngine.loadPlugin(buildPlugin("slow-open", "#define SLOW 8")));
    for (int i = 0; i < 2; ++i) {
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(slowEngine.Create(x), 0u);
        EXPECT_LT(std::chrono::steady_clock::now() - started,
                  std::chrono::milliseconds(kOpenTimeLimitMs + 300));
    }

    // A file that takes seconds to open, as on a disk that spins up, plays once it is open, though
    // the output fell asleep meanwhile.
    VexoEngine spinning;
    ASSERT_TRUE(spinning.openOutput(44100));
    EXPECT_FALSE(spinning.loadPlugin(buildPlugin("spin-up", "#define SLOW 2")));
    const StreamHandle late = spinning.Open(x);
    spinning.Play(late);
    EXPECT_TRUE(waitFor([&] { return spinning.heardPosition(late) > 0; }, 8000));
}

TEST(EnginePlugins, ThePluginsExtensionPlaysThroughTheEngine) {
    const std::string tone = makeFile("a.tone", "1000 22050 1 0.5\n");
    {
        VexoEngine engine;
        EXPECT_EQ(engine.Create(tone), 0u) << "no decoder for .tone before the plug-in";
        EXPECT_FALSE(engine.loadPlugin(VEXO_TONE_PLUGIN));
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
        VexoEngine engine;
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
