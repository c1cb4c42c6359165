// Real sound output: a private PulseAudio server with a null sink, whose
// monitor records what the engine played; and the server going away.
#include "AudioFixtures.h"
#include "PulseServer.h"
#include "VexoEngine.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

Pcm readRawStereo(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    Pcm pcm{PulseServer::kRate, 2, {}};
    for (std::size_t i = 0; i + 2 <= bytes.size(); i += 2) {
        std::int16_t v;
        std::memcpy(&v, bytes.data() + i, 2);
        pcm.samples.push_back(v / 32768.0f);
    }
    return pcm;
}

// A socket at `path` that takes connections and never answers, as a hung sound server does.
int silentServer(const std::string& path) {
    ::unlink(path.c_str());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), std::min(path.size() + 1, sizeof address.sun_path - 1));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd >= 0 &&
        (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 4) != 0)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// True when the peer of `fd` has hung up (all it sent read and dropped).
bool peerGone(int fd) {
    char buffer[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0) return false;
        if (::read(fd, buffer, sizeof buffer) <= 0) return true;
    }
}

} // namespace

// The window's thread never waits for the sound server: a Play that must reconnect returns
// while the connection to a server that does not answer is still being tried, and so does a close.
TEST(EnginePulse, PlayAndCloseDoNotWaitForAServerThatDoesNotAnswer) {
    PulseServer server;
    ASSERT_TRUE(server.running()) << server.error();
    setenv("VEXO_AUDIO", "pulse", 1);
    // The other engine's attempt begins first, so it would give up first: while it is still being
    // tried, the first engine's attempt cannot have given up either.
    VexoEngine engine, other;
    ASSERT_TRUE(engine.openOutput(44100) && other.openOutput(44100));
    const std::string path = makeAudio("hung.wav", "-f lavfi -i sine=d=2 -c:a pcm_s16le");
    const StreamHandle h = engine.Create(path), o = other.Create(path);
    engine.Play(h);
    other.Play(o);
    ASSERT_TRUE(waitFor([&] { return engine.heardPosition(h) > 0 && other.heardPosition(o) > 0; }, 5000));
    server.kill();
    ASSERT_TRUE(waitFor([&] { return !engine.IsActiveChannel(h) && !other.IsActiveChannel(o); }, 5000));
    const int listener = silentServer(server.address().substr(std::strlen("unix:")));
    ASSERT_GE(listener, 0);
    const auto tried = [listener] {
        pollfd waiting{listener, POLLIN, 0};
        return ::poll(&waiting, 1, 5000) == 1 ? ::accept(listener, nullptr, nullptr) : -1;
    };
    other.Play(o);
    const int earlier = tried();
    engine.Play(h);
    const int connection = tried();
    ASSERT_TRUE(earlier >= 0 && connection >= 0) << "no connection was tried";
    EXPECT_FALSE(peerGone(connection)) << "Play returned only once the connection was given up";
    EXPECT_FALSE(engine.IsActiveChannel(h));
    engine.closeOutput();
    EXPECT_FALSE(peerGone(earlier)) << "the close waited for its connection attempt to give up";
    EXPECT_TRUE(peerGone(connection)) << "the closed engine still tries to connect";
    other.closeOutput();
    ::close(earlier);
    ::close(connection);
    ::close(listener);
}

TEST(EnginePulse, PlaysThroughARealServerAndSurvivesItsDeath) {
    PulseServer server;
    ASSERT_TRUE(server.running()) << server.error();
    setenv("VEXO_AUDIO", "pulse", 1);
    const std::string path = makeAudio(
        "pulse.wav",
        "-f lavfi -i aevalsrc=0.4*sin(2*PI*1000*t)|0.2*sin(2*PI*1500*t):s=44100:d=1 -c:a pcm_s16le");
    const std::string recording = fixtureFolder() + "/monitor.raw";

    VexoEngine engine;
    ASSERT_TRUE(engine.openOutput(44100));
    EXPECT_EQ(engine.deviceCount(), 1);
    ASSERT_TRUE(server.startRecording(recording)) << server.error();
    StreamHandle h = engine.Create(path);
    std::atomic<bool> ended{false};
    engine.notifyAtEnd(h, [&](EndReason) { ended = true; });
    engine.Play(h);
    EXPECT_TRUE(engine.IsActiveChannel(h));
    // The analyser sees what is being heard, though the server queues half a second of it:
    // the mix of both channels peaks at the bin of 1000 Hz.
    ASSERT_TRUE(waitFor([&] { return engine.heardPosition(h) > engine.SecToByte(h, 0.3); }, 3000));
    float fft[kFftBins] = {};
    ASSERT_TRUE(engine.readSpectrum(h, fft));
    EXPECT_EQ(std::max_element(fft, fft + kFftBins) - fft, 23); // 1000 Hz / (44100 Hz / 1024)
    EXPECT_GT(fft[23], 0.1f);
    ASSERT_TRUE(waitFor([&] { return ended.load(); }, 5000));
    // The end comes when the last sample is handed over; the queue then plays out.
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    server.stopRecording();

    const Pcm heard = readRawStereo(recording);
    const auto [begin, end] = soundingSpan(heard);
    // Counted rather than measured as a span: on a busy machine the server
    // may insert an underrun's silence, which loses nothing.
    int sounding = 0;
    for (int f = begin; f < end; ++f)
        sounding += heard.at(f, 0) != 0.0f || heard.at(f, 1) != 0.0f;
    EXPECT_NEAR(sounding, 44100, 100) << "span " << end - begin;
    const int middle = (begin + end) / 2 - 4410;
    EXPECT_NEAR(toneAmplitude(heard, 0, 1000, middle, 8820), 0.4, 0.01);
    EXPECT_NEAR(toneAmplitude(heard, 1, 1500, middle, 8820), 0.2, 0.01);
    EXPECT_LT(toneAmplitude(heard, 0, 1500, middle, 8820), 0.01) << "channels swapped or mixed";

    // The server dies while the stream's end is mixed but still queued there: the stream stops
    // counting as active, nothing hangs, and the position heard is kept.
    ended = false;
    engine.Play(h);
    ASSERT_TRUE(waitFor([&] { return ended.load(); }, 5000));
    server.kill();
    EXPECT_TRUE(waitFor([&] { return !engine.IsActiveChannel(h); }, 3000));
    // The stream ended already, so only the position tells when the engine noticed: what it
    // counts as heard no longer grows with the queue the server was playing out.
    std::int64_t kept = -1;
    EXPECT_TRUE(waitFor(
        [&] {
            const std::int64_t before = engine.heardPosition(h);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            kept = engine.heardPosition(h);
            return kept == before;
        },
        5000));
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, engine.GetLength(h)) << "the queue was heard out before the server died";
    engine.Play(h); // no server to reconnect to: still harmless
    EXPECT_FALSE(engine.IsActiveChannel(h));
    EXPECT_EQ(engine.heardPosition(h), kept);

    // A server is back: the next Play reconnects (without waiting for it) and the stream goes on
    // from where it was heard, its position never running backwards.
    PulseServer again;
    ASSERT_TRUE(again.running()) << again.error();
    // What is left of the stream may be mixed into the new queue at once, ending it again within
    // milliseconds: that it is heard on is what tells.
    engine.Play(h);
    std::int64_t least = kept;
    EXPECT_TRUE(waitFor(
        [&] {
            const std::int64_t now = engine.heardPosition(h);
            least = std::min(least, now);
            return now > kept;
        },
        6000));
    EXPECT_EQ(least, kept) << "the position ran backwards across the reconnect";
    engine.closeOutput();
}

// Half a second waits in the server so that it can sleep; volume, seek and
// pause must still be heard at once, and the old audio must never come back.
TEST(EnginePulse, ChangesAreHeardAtOnceThoughHalfASecondIsQueued) {
    PulseServer server;
    ASSERT_TRUE(server.running()) << server.error();
    setenv("VEXO_AUDIO", "pulse", 1);
    // Level 0.5 for two seconds, then 0.3: a seek across the middle shows as a step.
    const std::string path = makeAudio(
        "levels.wav", "-f lavfi -i aevalsrc=if(lt(t\\,2)\\,0.5\\,0.3)|if(lt(t\\,2)\\,0.5\\,0.3):s=44100:d=6 "
                      "-c:a pcm_s16le");
    const std::string recording = fixtureFolder() + "/changes.raw";
    VexoEngine engine;
    ASSERT_TRUE(engine.openOutput(44100));
    ASSERT_TRUE(server.startRecording(recording)) << server.error();
    const StreamHandle h = engine.Create(path);
    using Clock = std::chrono::steady_clock;
    engine.Play(h);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const std::int64_t quieterAt = engine.heardPosition(h) / 4;
    const Clock::time_point volumeCall = Clock::now();
    engine.SetVolume(h, 50);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    const Clock::time_point seekCall = Clock::now();
    engine.SetPosition(h, engine.SecToByte(h, 3.0));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    const Clock::time_point pauseCall = Clock::now();
    engine.Pause(h);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    engine.closeOutput();
    server.stopRecording();

    const Pcm heard = readRawStereo(recording);
    const int start = soundingSpan(heard).first;
    const int frames = static_cast<int>(heard.samples.size() / 2);
    auto firstBelow = [&](int from, float level) {
        while (from < frames && heard.at(from, 0) > level)
            ++from;
        return from;
    };
    const int quieter = firstBelow(start, 0.375f); // 0.5 -> 0.25
    const int seeked = firstBelow(quieter, 0.2f);  // 0.25 -> 0.15
    const int silent = firstBelow(seeked, 0.075f); // 0.15 -> 0
    ASSERT_LT(silent, frames) << "the pause was never heard";
    const int limit = 44100 / 10;
    EXPECT_LT(std::abs(quieter - start - quieterAt), limit);
    // The seek and the pause come as soon after the volume change as they were made.
    auto framesBetween = [](Clock::time_point a, Clock::time_point b) {
        return static_cast<int>(std::chrono::duration<double>(b - a).count() * 44100);
    };
    EXPECT_LT(std::abs(seeked - quieter - framesBetween(volumeCall, seekCall)), limit);
    EXPECT_LT(std::abs(silent - quieter - framesBetween(volumeCall, pauseCall)), limit);
    for (int f = quieter; f < seeked; ++f)
        ASSERT_NEAR(heard.at(f, 0), 0.25f, 0.01f) << "frame " << f - start;
    for (int f = seeked; f < silent; ++f)
        ASSERT_NEAR(heard.at(f, 0), 0.15f, 0.01f) << "frame " << f - start;
    for (int f = silent; f < frames; ++f)
        ASSERT_EQ(heard.at(f, 0), 0.0f) << "frame " << f - start;
}

// A drag of the volume bar sends a value per mouse move while half a second is queued: the
// sound follows it without a skip or a repeat, and the drag's last value is what stays.
TEST(EnginePulse, ADragOfTheVolumeIsHeardWholeAndEndsAtItsLastValue) {
    PulseServer server;
    ASSERT_TRUE(server.running()) << server.error();
    setenv("VEXO_AUDIO", "pulse", 1);
    // The right channel over the left tells where in the file a recorded frame is, whatever the
    // volume: 0.1 + t / 5.
    const std::string path =
        makeAudio("ramp.wav", "-f lavfi -i aevalsrc=0.5|0.05+t/10:s=44100:d=6 -c:a pcm_s16le");
    const std::string recording = fixtureFolder() + "/drag.raw";
    VexoEngine engine;
    ASSERT_TRUE(engine.openOutput(44100));
    ASSERT_TRUE(server.startRecording(recording)) << server.error();
    const StreamHandle h = engine.Create(path);
    engine.Play(h);
    ASSERT_TRUE(waitFor([&] { return engine.heardPosition(h) > engine.SecToByte(h, 0.5); }, 5000));
    for (int step = 0; step <= 200; ++step) {
        engine.SetVolume(h, 100 - step * 80 / 200);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const std::int64_t lastAt = engine.heardPosition(h) / 4;
    ASSERT_TRUE(waitFor([&] { return engine.heardPosition(h) / 4 > lastAt + 22050; }, 5000))
        << "playback stopped during the drag";
    engine.closeOutput();
    server.stopRecording();

    const Pcm heard = readRawStereo(recording);
    const auto [begin, end] = soundingSpan(heard);
    // Window by window, sounding frames only: a busy machine may insert an underrun's silence.
    constexpr int kWindow = 441;
    int sounding = 0;
    int lastLevelFrom = -1;
    for (int f = begin; f + kWindow <= end; f += kWindow) {
        double left = 0, right = 0;
        bool silent = false;
        for (int i = f; i < f + kWindow; ++i) {
            silent |= heard.at(i, 0) == 0.0f;
            left += heard.at(i, 0);
            right += heard.at(i, 1);
        }
        if (silent) continue;
        const double fileSeconds = 5 * (right / left - 0.1);
        const double expected = (sounding + kWindow / 2) / 44100.0;
        ASSERT_NEAR(fileSeconds, expected, 0.02) << "the sound skipped or repeated at " << expected << " s";
        sounding += kWindow;
        // Long before the half second queued at the last change could have drained.
        if (sounding > lastAt + 11025 && lastLevelFrom < 0) lastLevelFrom = f;
        if (lastLevelFrom >= 0) {
            ASSERT_NEAR(left / kWindow, 0.5 * 0.2, 0.002) << "at " << expected << " s";
        }
    }
    EXPECT_GE(lastLevelFrom, 0) << "too little was recorded after the drag";
}
