#include "OutputNull.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <atomic>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

double processCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Counts the callback's calls and frames; flags a call made after stop().
struct Probe {
    std::atomic<std::int64_t> frames{0};
    std::atomic<int> calls{0};
    std::atomic<bool> stopped{false};
    std::atomic<bool> calledAfterStop{false};
    AudioOutput::RenderCallback callback() {
        return [this](float* out, int n) {
            if (stopped.load()) calledAfterStop = true;
            std::fill(out, out + 2 * n, 0.0f);
            frames += n;
            ++calls;
        };
    }
};

} // namespace

TEST(OutputNull, PacedRunsInAboutRealTimeWithoutSpinning) {
    OutputNull out;
    Probe probe;
    ASSERT_EQ(out.deviceCount(), 1);
    ASSERT_TRUE(out.open(48000, probe.callback()));
    EXPECT_EQ(out.rate(), 48000);
    const double cpuBefore = processCpuSeconds();
    const auto begin = Clock::now();
    out.start();
    std::this_thread::sleep_for(1s);
    EXPECT_LE(out.latencyFrames(), out.blockFrames()); // at most the block in flight
    out.stop();
    const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();
    // Counted once stopped: a block may still be rendered while stop() waits for it.
    const std::int64_t frames = out.framesWritten();
    const double cpu = processCpuSeconds() - cpuBefore;

    // Loose bounds: the machine is shared, but a device that ran at twice or
    // half the speed of the clock would be a fault.
    EXPECT_GT(frames, 0.5 * elapsed * 48000);
    EXPECT_LT(frames, 1.5 * elapsed * 48000 + out.blockFrames());
    EXPECT_EQ(frames, probe.frames.load());
    // 50 ms blocks: about 20 wake-ups a second, not a busy loop.
    EXPECT_LT(probe.calls.load(), 100);
    EXPECT_LT(cpu, 0.25) << "the paced thread is spinning";
    EXPECT_EQ(out.latencyFrames(), 0);
}

TEST(OutputNull, StopReturnsPromptlyAndTheCallbackIsNeverCalledAfterIt) {
    OutputNull out;
    Probe probe;
    ASSERT_TRUE(out.open(44100, probe.callback()));
    for (int round = 0; round < 3; ++round) {
        out.start();
        ASSERT_TRUE(eventually([&] { return probe.calls.load() > 2; }));
        const auto before = Clock::now();
        out.stop();
        probe.stopped = true;
        EXPECT_LT(Clock::now() - before, 500ms);
        const std::int64_t frames = out.framesWritten();
        std::this_thread::sleep_for(60ms);
        EXPECT_EQ(out.framesWritten(), frames);
        EXPECT_FALSE(probe.calledAfterStop.load());
        probe.stopped = false;
        probe.calls = 0;
    }
    out.close();
    out.close(); // closing twice is harmless
    out.start(); // and starting a closed output does nothing
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(probe.calls.load(), 0);
}

TEST(OutputNull, UnpacedAndManualModes) {
    OutputNull fast(OutputNull::Settings{PacedOutput::Pacing::Unpaced});
    Probe probe;
    ASSERT_TRUE(fast.open(44100, probe.callback()));
    fast.start();
    std::this_thread::sleep_for(200ms);
    fast.stop();
    // Far beyond real time (0.2 s would be 8820 frames).
    EXPECT_GT(fast.framesWritten(), 10 * 44100);
    EXPECT_EQ(fast.latencyFrames(), 0);

    OutputNull manual(OutputNull::Settings{PacedOutput::Pacing::Manual});
    Probe manualProbe;
    ASSERT_TRUE(manual.open(44100, manualProbe.callback()));
    EXPECT_EQ(manual.pump(1000), 0) << "not started yet";
    manual.start();
    EXPECT_EQ(manual.pump(1000), 1000);
    EXPECT_EQ(manual.pump(1), 1);
    EXPECT_EQ(manual.framesWritten(), 1001);
    EXPECT_EQ(manualProbe.frames.load(), 1001);
    // Blocks never exceed the preallocated size.
    EXPECT_EQ(manualProbe.calls.load(), 2 + 1000 / manual.blockFrames());
    manual.stop();
    EXPECT_EQ(manual.pump(100), 0);
}

TEST(OutputNull, MisbehavesOnRequest) {
    {
        OutputNull none(OutputNull::Settings{.devices = 0});
        Probe probe;
        EXPECT_EQ(none.deviceCount(), 0);
        EXPECT_FALSE(none.open(44100, probe.callback()));
        none.start();
        none.close();
    }
    {
        OutputNull slow(
            OutputNull::Settings{.pacing = PacedOutput::Pacing::Manual, .extraLatencyFrames = 4410});
        Probe probe;
        ASSERT_TRUE(slow.open(44100, probe.callback()));
        EXPECT_EQ(slow.latencyFrames(), 4410);
    }
    {
        // The device goes away after half a second of audio.
        OutputNull dying(
            OutputNull::Settings{.pacing = PacedOutput::Pacing::Unpaced, .loseDeviceAfterFrames = 22050});
        Probe probe;
        ASSERT_TRUE(dying.open(44100, probe.callback()));
        EXPECT_TRUE(dying.healthy());
        dying.start();
        ASSERT_TRUE(eventually([&] { return !dying.healthy(); }));
        const int calls = probe.calls.load();
        std::this_thread::sleep_for(30ms);
        EXPECT_EQ(probe.calls.load(), calls);
        EXPECT_GE(dying.framesWritten(), 22050);
        EXPECT_LT(dying.framesWritten(), 22050 + dying.blockFrames());
        dying.start(); // an unhealthy device does not come back by itself
        std::this_thread::sleep_for(30ms);
        EXPECT_EQ(probe.calls.load(), calls);
        dying.close();
        // Reopening finds the device again.
        ASSERT_TRUE(dying.open(44100, probe.callback()));
        EXPECT_TRUE(dying.healthy());
    }
    {
        OutputNull pulled;
        Probe probe;
        ASSERT_TRUE(pulled.open(44100, probe.callback()));
        pulled.start();
        ASSERT_TRUE(eventually([&] { return probe.calls.load() > 0; }));
        pulled.loseDevice();
        EXPECT_TRUE(eventually([&] { return !pulled.healthy(); }));
        pulled.close();
    }
}

TEST(OutputNull, OpenRejectsAMissingCallbackAndOddRates) {
    OutputNull out(OutputNull::Settings{.pacing = PacedOutput::Pacing::Manual});
    EXPECT_FALSE(out.open(44100, nullptr));
    Probe probe;
    for (int rate : {0, -1, 100, 10'000'000}) {
        ASSERT_TRUE(out.open(rate, probe.callback()));
        EXPECT_EQ(out.rate(), 44100) << rate;
    }
    ASSERT_TRUE(out.open(96000, probe.callback()));
    EXPECT_EQ(out.rate(), 96000);
    EXPECT_EQ(out.blockFrames(), 96000 * OutputNull::Settings{}.blockMs / 1000);
}
