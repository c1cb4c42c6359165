#include "OutputAlsa.h"
#include "PulseServer.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// ALSA's "default" device reaches the sound server through the pulse plug-in
// (libasound2-plugins), so the server's monitor shows what ALSA played.
TEST(OutputAlsa, DefaultDevicePlaysThroughTheSoundServer) {
    QTemporaryDir dir;
    PulseServer server;
    ASSERT_TRUE(server.running()) << server.error();
    const std::string path = (dir.path() + "/monitor.raw").toStdString();
    ASSERT_TRUE(server.startRecording(path));

    OutputAlsa out;
    EXPECT_GE(out.deviceCount(), 1);
    ASSERT_TRUE(out.open(44100, stereoSine(1000, 0.5, 550, 0.25, 44100)));
    EXPECT_EQ(out.rate(), 44100);
    out.start();
    ASSERT_TRUE(eventually([&] { return out.framesWritten() >= 44100; }));
    EXPECT_GT(out.latencyFrames(), 0);
    EXPECT_LT(out.latencyFrames(), 44100 / 2);
    out.stop();
    const std::int64_t written = out.framesWritten();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(out.framesWritten(), written);
    out.start(); // resumes what was paused
    std::this_thread::sleep_for(300ms);
    out.close();
    server.stopRecording();

    const std::vector<std::int16_t> heard = toSamples(readBytes(path));
    const Tone left = measureTone(heard, 0, PulseServer::kRate);
    const Tone right = measureTone(heard, 1, PulseServer::kRate);
    EXPECT_NEAR(left.hz, 1000, 10);
    EXPECT_NEAR(right.hz, 550, 6);
    EXPECT_NEAR(20 * std::log10(left.rms / (0.5 / std::sqrt(2.0))), 0.0, 0.5);
    EXPECT_NEAR(20 * std::log10(right.rms / (0.25 / std::sqrt(2.0))), 0.0, 0.5);
    EXPECT_GT(left.seconds, 1.0);
}

TEST(OutputAlsa, ServerGoingAwayWhilePlayingIsNoticedAndNothingHangs) {
    PulseServer server;
    ASSERT_TRUE(server.running()) << server.error();
    OutputAlsa out;
    ASSERT_TRUE(out.open(44100, stereoSine(1000, 0.5, 1000, 0.5, 44100)));
    out.start();
    ASSERT_TRUE(eventually([&] { return out.framesWritten() > 4410; }));
    server.kill();
    EXPECT_TRUE(eventually([&] { return !out.healthy(); }, 5s));
    const auto before = Clock::now();
    out.stop();
    out.close();
    EXPECT_LT(Clock::now() - before, 1s);
}

TEST(OutputAlsa, MissingDeviceFailsCleanly) {
    OutputAlsa out("vexo_no_such_device");
    EXPECT_FALSE(out.open(44100, [](float*, int) {}));
    EXPECT_FALSE(out.healthy());
    out.start();
    out.stop();
    out.flush();
    out.close();
    EXPECT_EQ(out.framesWritten(), 0);
}
