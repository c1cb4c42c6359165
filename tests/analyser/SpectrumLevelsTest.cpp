#include "SpectrumLevels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

std::vector<float> uniform(float magnitude) {
    return std::vector<float>(SpectrumLevels::kBarCount, magnitude);
}

TEST(SpectrumLevels, TargetHeightFromMagnitude) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float magnitude;
        int heightPx;
    } cases[] = {
        {0.0f, 0},     {0.0078125f, 3}, {0.0299f, 14}, {0.03f, 15}, {0.03125f, 15},
        {0.0625f, 31}, {0.0719f, 35},   {0.072f, 36},  {1.0f, 36},  {-0.0625f, 31},
        {nan, 0},      {inf, 36},       {-inf, 36},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SpectrumLevels::targetHeightPx(c.magnitude), c.heightPx) << "magnitude " << c.magnitude;
}

TEST(SpectrumLevels, LoudBandsReplaceTheBarAtOnceQuietOnesOnlyLetItSink) {
    struct Case {
        const char* name;
        int startPx;
        float magnitude;
        int afterOneFramePx;
    } cases[] = {
        {"rise from nothing to the threshold", 0, 0.03125f, 15},
        {"rise to full height", 0, 0.5f, 36},
        {"loud band pulls a tall bar down at once", 36, 0.03125f, 15},
        {"quiet band only sinks a tall bar by one", 30, 0.02f, 29},
        {"quiet band never raises a bar", 0, 0.0234375f /* 11 px */, 0},
        {"silence at zero stays at zero", 0, 0.0f, 0},
    };
    for (const Case& c : cases) {
        SpectrumLevels levels;
        if (c.startPx > 0) {
            levels.step(uniform(float(c.startPx) / 500.0f + 1e-5f));
            ASSERT_EQ(levels.heightPx(0), c.startPx) << c.name;
        }
        levels.step(uniform(c.magnitude));
        for (int bar : {0, 20, 128})
            EXPECT_EQ(levels.heightPx(bar), c.afterOneFramePx) << c.name << ", bar " << bar;
    }
}

TEST(SpectrumLevels, SilenceDrainsEveryBarOnePixelPerFrame) {
    SpectrumLevels levels;
    levels.step(uniform(1.0f));
    const auto silence = uniform(0.0f);
    for (int frame = 1; frame <= SpectrumLevels::kHeightLimitPx; ++frame) {
        EXPECT_TRUE(levels.wouldChange(silence)) << "frame " << frame;
        EXPECT_TRUE(levels.step(silence));
        EXPECT_EQ(levels.heightPx(7), SpectrumLevels::kHeightLimitPx - frame);
    }
    EXPECT_FALSE(levels.wouldChange(silence));
    EXPECT_FALSE(levels.step(silence));
    EXPECT_EQ(levels.heightPx(0), 0);
}

TEST(SpectrumLevels, DataShorterThanTheBarsCountsAsSilence) {
    SpectrumLevels levels;
    levels.step(uniform(0.05f)); // every bar at 25 px
    levels.step(std::vector<float>(40, 1.0f));
    EXPECT_EQ(levels.heightPx(39), 36);
    EXPECT_EQ(levels.heightPx(40), 24);
    EXPECT_EQ(levels.heightPx(128), 24);
}

} // namespace
