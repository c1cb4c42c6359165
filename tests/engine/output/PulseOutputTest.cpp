#include "OutputPulse.h"
#include "PulseServer.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <atomic>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

class PulseOutputTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(server.running()) << server.error(); }
    std::string recordingPath() const { return (dir.path() + "/monitor.raw").toStdString(); }

    QTemporaryDir dir;
    PulseServer server;
};

} // namespace

TEST_F(PulseOutputTest, PlaysWhatTheCallbackRendersOnTheRightChannels) {
    ASSERT_TRUE(server.startRecording(recordingPath()));
    OutputPulse out;
    EXPECT_EQ(out.deviceCount(), 1);
    // Different tones and levels per channel, so a swapped or mixed pair shows.
    ASSERT_TRUE(out.open(44100, stereoSine(1000, 0.5, 550, 0.25, 44100)));
    EXPECT_EQ(out.rate(), 44100);
    EXPECT_TRUE(out.healthy());
    out.start();
    ASSERT_TRUE(eventually([&] { return out.framesWritten() >= 44100; }));
    // While playing, something is queued but no more than the buffer we asked for.
    EXPECT_GT(out.latencyFrames(), 0);
    EXPECT_LT(out.latencyFrames(), 44100 * 6 / 10);
    out.stop();
    const std::int64_t paused = out.framesWritten();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(out.framesWritten(), paused);
    out.start(); // what was queued at the pause is heard after it
    ASSERT_TRUE(eventually([&] { return out.framesWritten() >= paused + 22050; }));
    out.stop();
    // What stays queued at the end is never heard: close() does not drain.
    const double expectedSeconds = double(out.framesWritten() - out.latencyFrames()) / 44100;
    std::this_thread::sleep_for(200ms);
    out.close();
    server.stopRecording();

    const std::vector<std::int16_t> heard = toSamples(readBytes(recordingPath()));
    const Tone left = measureTone(heard, 0, PulseServer::kRate);
    const Tone right = measureTone(heard, 1, PulseServer::kRate);
    EXPECT_NEAR(left.hz, 1000, 10);
    EXPECT_NEAR(right.hz, 550, 6);
    EXPECT_NEAR(20 * std::log10(left.rms / (0.5 / std::sqrt(2.0))), 0.0, 0.5);
    EXPECT_NEAR(20 * std::log10(right.rms / (0.25 / std::sqrt(2.0))), 0.0, 0.5);
    EXPECT_NEAR(left.seconds, expectedSeconds, 0.04);
    EXPECT_NEAR(right.seconds, expectedSeconds, 0.04);
}

TEST_F(PulseOutputTest, StopHaltsTheCallbackAndFlushEmptiesTheQueue) {
    OutputPulse out;
    std::atomic<int> calls{0};
    std::atomic<bool> stopped{false};
    std::atomic<bool> calledAfterStop{false};
    ASSERT_TRUE(out.open(48000, [&](float* o, int frames) {
        if (stopped) calledAfterStop = true;
        std::fill(o, o + 2 * frames, 0.1f);
        ++calls;
    }));
    EXPECT_EQ(out.rate(), 48000);
    for (int round = 0; round < 3; ++round) {
        out.start();
        ASSERT_TRUE(eventually([&] { return calls.load() > 3; }));
        out.stop();
        stopped = true;
        const std::int64_t frames = out.framesWritten();
        std::this_thread::sleep_for(150ms);
        EXPECT_EQ(out.framesWritten(), frames);
        EXPECT_FALSE(calledAfterStop.load());
        stopped = false;
        calls = 0;
    }
    out.flush();
    EXPECT_EQ(out.latencyFrames(), 0);
    out.start();
    EXPECT_TRUE(eventually([&] { return calls.load() > 3; })) << "a flushed stream plays again";
    out.close();
}

TEST_F(PulseOutputTest, ServerGoingAwayWhilePlayingIsNoticedAndNothingHangs) {
    OutputPulse out;
    ASSERT_TRUE(out.open(44100, stereoSine(1000, 0.5, 1000, 0.5, 44100)));
    out.start();
    ASSERT_TRUE(eventually([&] { return out.framesWritten() > 4410; }));
    server.kill();
    EXPECT_TRUE(eventually([&] { return !out.healthy(); }, 3s));
    const auto before = Clock::now();
    out.stop();
    out.start();
    out.flush();
    out.close();
    EXPECT_LT(Clock::now() - before, 1s);
    EXPECT_EQ(out.deviceCount(), 0);
    EXPECT_FALSE(out.open(44100, stereoSine(1000, 0.5, 1000, 0.5, 44100)));
    out.close();
}

TEST(OutputPulseWithoutServer, OpenFailsCleanlyAndCountsNoDevice) {
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", ("unix:" + dir.path() + "/nobody-listens").toUtf8());
    OutputPulse out;
    const auto before = Clock::now();
    EXPECT_EQ(out.deviceCount(), 0);
    EXPECT_FALSE(out.open(44100, [](float*, int) {}));
    EXPECT_FALSE(out.healthy());
    EXPECT_LT(Clock::now() - before, 2s);
    out.start();
    out.stop();
    out.close();
    if (saved.isEmpty())
        qunsetenv("PULSE_SERVER");
    else
        qputenv("PULSE_SERVER", saved);
}
