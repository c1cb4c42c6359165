#include "PeakingEq.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr double kRate = 44100.0;

std::vector<float> stereoSine(double hz, double amplitude, int frames, double rate = kRate) {
    std::vector<float> s(2 * frames);
    for (int i = 0; i < frames; ++i)
        s[2 * i] = s[2 * i + 1] =
            static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * hz * i / rate));
    return s;
}

double rms(const std::vector<float>& s, int fromFrame, int channel) {
    double sum = 0;
    const int frames = static_cast<int>(s.size() / 2);
    for (int i = fromFrame; i < frames; ++i)
        sum += double(s[2 * i + channel]) * s[2 * i + channel];
    return std::sqrt(sum / (frames - fromFrame));
}

// Gain of the band for a steady sine, in dB, measured on both channels after
// the filter has settled.
std::pair<double, double> measuredGainDb(const BiquadCoefficients& c, double probeHz) {
    const int frames = static_cast<int>(kRate);
    std::vector<float> in = stereoSine(probeHz, 0.25, frames);
    std::vector<float> out = in;
    PeakingEq eq;
    eq.setCoefficients(c);
    // Odd block sizes make sure the state carries across process() calls.
    for (int done = 0; done < frames;) {
        const int n = std::min(377, frames - done);
        eq.process(out.data() + 2 * done, n);
        done += n;
    }
    const int settled = frames / 2;
    return {20 * std::log10(rms(out, settled, 0) / rms(in, settled, 0)),
            20 * std::log10(rms(out, settled, 1) / rms(in, settled, 1))};
}

double maxStep(const std::vector<float>& s, int fromFrame, int toFrame) {
    double m = 0;
    for (int i = std::max(fromFrame, 1); i < toFrame; ++i)
        m = std::max(m, double(std::fabs(s[2 * i] - s[2 * i - 2])));
    return m;
}

} // namespace

TEST(PeakingEq, GainAtTheCentreIsTheSetGain) {
    struct Case {
        double centerHz, semitones, gainDb;
    } cases[] = {
        {1000, 12, 6},  {1000, 12, -10}, {125, 12, 12},   {8000, 12, -10},
        {16000, 12, 6}, {62, 3, 6},      {4000, 36, -15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.centerHz << " Hz, " << c.semitones << " st, " << c.gainDb << " dB");
        auto [left, right] =
            measuredGainDb(PeakingCoefficients(kRate, c.centerHz, c.semitones, c.gainDb), c.centerHz);
        EXPECT_NEAR(left, c.gainDb, 0.5);
        EXPECT_NEAR(right, c.gainDb, 0.5);
    }
}

TEST(PeakingEq, FarFromTheBandTheSignalPassesUnchanged) {
    struct Case {
        double centerHz, semitones, gainDb, probeHz, maxAbsDb;
    } cases[] = {
        // A narrow band (a quarter octave) leaves an octave away alone.
        {1000, 3, 6, 500, 0.25},
        {1000, 3, -10, 2000, 0.25},
        // A one-octave band has mostly faded three octaves away.
        {1000, 12, 6, 125, 0.25},
        {1000, 12, -10, 8000, 0.25},
        // Zero gain is the identity everywhere, including at the centre.
        {1000, 12, 0, 1000, 0.01},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.centerHz << " Hz band, probe " << c.probeHz << " Hz");
        auto [left, right] =
            measuredGainDb(PeakingCoefficients(kRate, c.centerHz, c.semitones, c.gainDb), c.probeHz);
        EXPECT_LT(std::fabs(left), c.maxAbsDb);
        EXPECT_LT(std::fabs(right), c.maxAbsDb);
    }
}

TEST(PeakingEq, HalfTheGainAtTheBandEdges) {
    // The cookbook's bandwidth is measured where the gain in dB is halved.
    auto [lower, l2] = measuredGainDb(PeakingCoefficients(kRate, 1000, 12, -12), 1000 / std::sqrt(2.0));
    auto [upper, u2] = measuredGainDb(PeakingCoefficients(kRate, 1000, 12, -12), 1000 * std::sqrt(2.0));
    EXPECT_NEAR(lower, -6, 1.0);
    EXPECT_NEAR(upper, -6, 1.0);
    EXPECT_NEAR(l2, lower, 1e-6);
    EXPECT_NEAR(u2, upper, 1e-6);
}

TEST(PeakingEq, ChangingCoefficientsMidStreamDoesNotClick) {
    const int frames = static_cast<int>(kRate);
    const double hz = 1000;
    std::vector<float> signal = stereoSine(hz, 0.45, frames);
    // Switch where the sine is at its peak, the worst moment for a lost state.
    int switchAt = frames / 2;
    while (std::fabs(signal[2 * switchAt]) < 0.449)
        ++switchAt;

    auto run = [&](bool restartFilter) {
        std::vector<float> out = signal;
        PeakingEq eq;
        eq.setCoefficients(PeakingCoefficients(kRate, hz, 12, 6));
        eq.process(out.data(), switchAt);
        if (restartFilter) eq.reset();
        eq.setCoefficients(PeakingCoefficients(kRate, hz, 12, -10));
        eq.process(out.data() + 2 * switchAt, frames - switchAt);
        return out;
    };

    const std::vector<float> out = run(false);
    const double steadyStep = maxStep(out, switchAt - 4410, switchAt);
    const double stepAfterSwitch = maxStep(out, switchAt, switchAt + 882);
    EXPECT_LE(stepAfterSwitch, steadyStep * 1.05);
    // The measure does notice a click: a filter restarted from silence jumps.
    const std::vector<float> restarted = run(true);
    EXPECT_GT(maxStep(restarted, switchAt, switchAt + 882), steadyStep * 2);
}

TEST(PeakingEq, CentreAtOrAboveNyquistIsClampedAndStable) {
    const BiquadCoefficients expected = PeakingCoefficients(kRate, 0.49 * kRate, 12, 12);
    for (double centerHz : {0.49 * kRate, 0.5 * kRate, 30000.0, 1e9}) {
        SCOPED_TRACE(centerHz);
        const BiquadCoefficients c = PeakingCoefficients(kRate, centerHz, 12, 12);
        EXPECT_DOUBLE_EQ(c.b0, expected.b0);
        EXPECT_DOUBLE_EQ(c.a1, expected.a1);
        EXPECT_DOUBLE_EQ(c.a2, expected.a2);
        // Poles inside the unit circle (the stability triangle of a biquad).
        EXPECT_LT(std::fabs(c.a2), 1.0);
        EXPECT_LT(std::fabs(c.a1), 1.0 + c.a2);

        std::mt19937 random(7);
        std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
        std::vector<float> s(2 * 44100);
        for (float& v : s)
            v = noise(random);
        PeakingEq eq;
        eq.setCoefficients(c);
        eq.process(s.data(), 44100);
        const float peak = std::fabs(*std::max_element(
            s.begin(), s.end(), [](float a, float b) { return std::fabs(a) < std::fabs(b); }));
        EXPECT_TRUE(std::isfinite(peak));
        EXPECT_LT(peak, 16.0f); // +12 dB on full-scale noise, not a runaway
    }
}

TEST(PeakingEq, NonsenseParametersGiveAPassThroughNotGarbage) {
    const double nan = std::nan("");
    const BiquadCoefficients cases[] = {
        PeakingCoefficients(0, 1000, 12, 6),       PeakingCoefficients(-44100, 1000, 12, 6),
        PeakingCoefficients(kRate, nan, 12, 6),    PeakingCoefficients(kRate, 1000, nan, 6),
        PeakingCoefficients(kRate, 1000, 12, nan),
    };
    for (const BiquadCoefficients& c : cases) {
        auto [left, right] = measuredGainDb(c, 440);
        EXPECT_NEAR(left, 0.0, 1e-6);
        EXPECT_NEAR(right, 0.0, 1e-6);
    }
    // Zero and negative widths or centres are clamped into range, not rejected.
    for (const BiquadCoefficients& c :
         {PeakingCoefficients(kRate, 1000, 0, 6), PeakingCoefficients(kRate, -5, 12, 6)}) {
        auto [left, right] = measuredGainDb(c, 440);
        EXPECT_TRUE(std::isfinite(left));
        EXPECT_LT(std::fabs(left), 6.5);
        EXPECT_NEAR(left, right, 1e-6);
    }
}

TEST(PeakingEq, ResetForgetsThePastSignal) {
    PeakingEq eq;
    eq.setCoefficients(PeakingCoefficients(kRate, 100, 12, 12));
    std::vector<float> loud = stereoSine(100, 0.9, 2000);
    eq.process(loud.data(), 2000);
    eq.reset();
    std::vector<float> silence(2 * 64, 0.0f);
    eq.process(silence.data(), 64);
    EXPECT_TRUE(std::all_of(silence.begin(), silence.end(), [](float v) { return v == 0.0f; }));
}
