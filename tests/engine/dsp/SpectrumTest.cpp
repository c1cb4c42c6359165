#include "Spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

std::array<float, 1024> sine(double bin, double amplitude) {
    std::array<float, 1024> s{};
    for (int n = 0; n < 1024; ++n)
        s[n] = static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * bin * n / 1024 + 0.3));
    return s;
}

int argmax(const std::array<float, 512>& m) {
    return int(std::max_element(m.begin(), m.end()) - m.begin());
}

} // namespace

TEST(Spectrum, SineCentredOnABinPeaksThereAtItsAmplitude) {
    struct Case {
        int bin;
        double amplitude;
    } cases[] = {{3, 1.0}, {10, 1.0}, {100, 1.0}, {300, 1.0}, {509, 1.0}, {40, 0.5}, {200, 0.1}};
    Spectrum spectrum;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "bin " << c.bin << " amplitude " << c.amplitude);
        const auto in = sine(c.bin, c.amplitude);
        std::array<float, 512> mag{};
        spectrum.compute(in.data(), mag.data());
        EXPECT_EQ(argmax(mag), c.bin);
        EXPECT_NEAR(mag[c.bin], c.amplitude, 0.05 * c.amplitude);
        // Hann leaks half into each neighbour and nothing further out.
        EXPECT_NEAR(mag[c.bin - 1], c.amplitude / 2, 0.05 * c.amplitude);
        EXPECT_NEAR(mag[c.bin + 1], c.amplitude / 2, 0.05 * c.amplitude);
        for (int k = 0; k < 512; ++k) {
            if (std::abs(k - c.bin) <= 2) continue;
            ASSERT_LT(mag[k], 1e-3 * c.amplitude) << "bin " << k;
        }
    }
}

TEST(Spectrum, SineBetweenBinsLosesTheHannScallopingOnly) {
    Spectrum spectrum;
    const auto in = sine(50.5, 1.0);
    std::array<float, 512> mag{};
    spectrum.compute(in.data(), mag.data());
    const int peak = argmax(mag);
    EXPECT_TRUE(peak == 50 || peak == 51) << peak;
    // Hann's worst-case scalloping loss is 1.42 dB: 0.849 of the amplitude.
    EXPECT_NEAR(mag[peak], 0.849, 0.02);
}

TEST(Spectrum, SilenceGivesZerosAndRepeatedCallsAgree) {
    Spectrum spectrum;
    std::array<float, 1024> silence{};
    std::array<float, 512> mag;
    mag.fill(123.0f);
    spectrum.compute(silence.data(), mag.data());
    EXPECT_TRUE(std::all_of(mag.begin(), mag.end(), [](float v) { return v == 0.0f; }));

    // No state carries over from one block to the next.
    const auto in = sine(77, 0.7);
    std::array<float, 512> first{}, second{};
    spectrum.compute(in.data(), first.data());
    spectrum.compute(silence.data(), mag.data());
    spectrum.compute(in.data(), second.data());
    EXPECT_EQ(first, second);
    EXPECT_TRUE(std::all_of(mag.begin(), mag.end(), [](float v) { return v == 0.0f; }));
}
