#include "OutputWav.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <limits>

using namespace std::chrono_literals;

namespace {

std::uint32_t le32(const std::vector<char>& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

std::uint16_t le16(const std::vector<char>& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      (static_cast<unsigned char>(b[at + 1]) << 8));
}

// Checks a 16-bit stereo WAV header against its file and returns the samples.
std::vector<std::int16_t> readWav(const std::string& path, int rate) {
    const std::vector<char> b = readBytes(path);
    EXPECT_GE(b.size(), 44u);
    if (b.size() < 44) return {};
    EXPECT_EQ(std::memcmp(b.data(), "RIFF", 4), 0);
    EXPECT_EQ(le32(b, 4), b.size() - 8);
    EXPECT_EQ(std::memcmp(b.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(le32(b, 16), 16u);
    EXPECT_EQ(le16(b, 20), 1u); // PCM
    EXPECT_EQ(le16(b, 22), 2u); // stereo
    EXPECT_EQ(le32(b, 24), std::uint32_t(rate));
    EXPECT_EQ(le32(b, 28), std::uint32_t(rate * 4));
    EXPECT_EQ(le16(b, 32), 4u);
    EXPECT_EQ(le16(b, 34), 16u);
    EXPECT_EQ(std::memcmp(b.data() + 36, "data", 4), 0);
    EXPECT_EQ(le32(b, 40), b.size() - 44);
    return toSamples(b, 44);
}

// Every 16-bit value appears, each exactly representable as float / 32768.
AudioOutput::RenderCallback everyPcmValue() {
    return [n = std::int64_t(0)](float* out, int frames) mutable {
        for (int i = 0; i < 2 * frames; ++i, ++n)
            out[i] = float(std::int16_t(n * 7919 % 65536 - 32768)) / 32768.0f;
    };
}

std::int16_t expectedValue(std::int64_t n) {
    return std::int16_t(n * 7919 % 65536 - 32768);
}

} // namespace

TEST(OutputWav, SixteenBitAudioArrivesBitForBit) {
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/out.wav").toStdString();
    std::int64_t frames = 0;
    {
        OutputWav out(path, PacedOutput::Pacing::Unpaced);
        ASSERT_TRUE(out.open(44100, everyPcmValue()));
        out.start();
        ASSERT_TRUE(eventually([&] { return out.framesWritten() >= 3 * 44100; }));
        out.stop();
        frames = out.framesWritten();
        out.close();
    }
    const std::vector<std::int16_t> s = readWav(path, 44100);
    ASSERT_EQ(std::int64_t(s.size()), 2 * frames);
    std::int64_t mismatches = 0;
    for (std::size_t i = 0; i < s.size(); ++i)
        mismatches += s[i] != expectedValue(std::int64_t(i));
    EXPECT_EQ(mismatches, 0);
}

TEST(OutputWav, OutOfRangeSamplesAreClippedNotWrapped) {
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/clip.wav").toStdString();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<std::pair<float, std::int16_t>> cases = {
        {1.0f, 32767}, {-1.0f, -32768}, {1.5f, 32767},     {-7.0f, -32768},
        {inf, 32767},  {-inf, -32768},  {nan, 0},          {0.0f, 0},
        {0.5f, 16384}, {-0.25f, -8192}, {1.4f / 32768, 1}, {-1.6f / 32768, -2},
    };
    {
        OutputWav out(path, PacedOutput::Pacing::Manual);
        ASSERT_TRUE(out.open(22050, [&](float* o, int frames) {
            for (int i = 0; i < frames; ++i)
                o[2 * i] = o[2 * i + 1] = cases[i % cases.size()].first;
        }));
        out.start();
        ASSERT_EQ(out.pump(int(cases.size())), int(cases.size()));
    } // the destructor closes and patches the header
    const std::vector<std::int16_t> s = readWav(path, 22050);
    ASSERT_EQ(s.size(), 2 * cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(s[2 * i], cases[i].second) << "input " << cases[i].first;
        EXPECT_EQ(s[2 * i + 1], cases[i].second) << "input " << cases[i].first;
    }
}

TEST(OutputWav, PacedRunsInAboutRealTimeAndKeepsCountingAcrossStops) {
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/paced.wav").toStdString();
    OutputWav out(path);
    ASSERT_TRUE(out.open(44100, stereoSine(440, 0.5, 440, 0.5, 44100)));
    const auto begin = std::chrono::steady_clock::now();
    out.start();
    std::this_thread::sleep_for(300ms);
    out.stop();
    std::this_thread::sleep_for(100ms); // stopped time is not written
    out.start();
    std::this_thread::sleep_for(300ms);
    const auto stopBegin = std::chrono::steady_clock::now();
    out.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - stopBegin, 500ms);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    const std::int64_t frames = out.framesWritten();
    EXPECT_GT(frames, 0.4 * 44100);
    EXPECT_LT(frames, (elapsed - 0.1) * 44100 * 1.5 + 2 * 882);
    out.close();
    const std::vector<std::int16_t> s = readWav(path, 44100);
    EXPECT_EQ(std::int64_t(s.size()), 2 * frames);
    const Tone tone = measureTone(s, 0, 44100);
    EXPECT_NEAR(tone.hz, 440, 5);
    EXPECT_NEAR(tone.rms, 0.5 / std::sqrt(2.0), 0.01);
}

TEST(OutputWav, FailuresComeBackAsValues) {
    OutputWav nowhere("/nonexistent-folder/x/out.wav");
    EXPECT_FALSE(nowhere.open(44100, stereoSine(440, 0.5, 440, 0.5, 44100)));
    nowhere.start();
    nowhere.stop();
    nowhere.close();

    // A full disk at open: reported, not a file without a header.
    OutputWav full("/dev/full");
    EXPECT_FALSE(full.open(44100, stereoSine(440, 0.5, 440, 0.5, 44100)));

    // The disk fills while playing (a file size limit stands in for it): the
    // output turns unhealthy instead of pretending to write, and the header
    // still matches what did reach the file.
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/limited.wav").toStdString();
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 1 << 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    {
        OutputWav out(path, PacedOutput::Pacing::Unpaced);
        ASSERT_TRUE(out.open(44100, stereoSine(440, 0.5, 440, 0.5, 44100)));
        out.start();
        EXPECT_TRUE(eventually([&] { return !out.healthy(); }));
        out.close();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_DFL);
    const std::vector<std::int16_t> s = readWav(path, 44100);
    EXPECT_GT(s.size(), 0u);
    EXPECT_LE(s.size() * 2 + 44, std::size_t(1) << 20);
}
