// Each x86 path of the biquad cascade against the plain formula, bit for bit,
// outputs and histories alike. A machine runs only one path in the player, so
// without these the other would go unchecked there.
#include "BiquadCascadePaths.h"
#include "EqSignals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#if defined(__SSE2__)

using namespace eqtest;

namespace {

using CascadeFn = void (*)(StereoBiquad* const*, int, float*, int);

// The formula as written: one stage after another over the whole block,
// left then right, float samples between stages.
void RunPlainFormula(std::vector<StereoBiquad>& stages, float* s, int frames) {
    for (StereoBiquad& stage : stages) {
        const BiquadCoefficients& c = stage.c;
        StereoHistory& h = stage.h;
        for (int i = 0; i < frames; ++i)
            for (int ch = 0; ch < 2; ++ch) {
                const double x = s[2 * i + ch];
                const double y =
                    c.b0 * x + c.b1 * h.x1[ch] + c.b2 * h.x2[ch] - c.a1 * h.y1[ch] - c.a2 * h.y2[ch];
                h.x2[ch] = h.x1[ch];
                h.x1[ch] = x;
                h.y2[ch] = h.y1[ch];
                h.y1[ch] = y;
                s[2 * i + ch] = static_cast<float>(y);
            }
    }
}

// Full-scale noise with the extremes mixed in: signed zeros and subnormal
// floats throughout, and in the middle third sines so loud that a boost
// overflows to infinity, after which later stages meet infinities and NaNs.
std::vector<float> ExtremeSignal(int frames) {
    std::vector<float> s = MakeSignal(Signal::Noise, frames);
    const float extremes[] = {0.0f, -0.0f, FLT_TRUE_MIN, -FLT_TRUE_MIN, FLT_MIN / 3, 1e-30f};
    for (std::size_t i = 0; i < s.size(); i += 97)
        s[i] = extremes[(i / 97) % std::size(extremes)];
    const std::vector<float> sines = MakeSignal(Signal::Sines, frames);
    for (std::size_t i = s.size() / 3; i < 2 * s.size() / 3; ++i)
        s[i] = sines[i] * (FLT_MAX / 2);
    return s;
}

struct PathCase {
    std::string name;
    int stages;
    std::vector<int> blockFrames;
    bool extremes = false;
};

// Settings to switch between, block by block: all bands change, and some go
// to or from 0 dB, which the cascade runs like any other filter.
const double* const kSettings[] = {kGainsA, kGainsB, kFlat, kGainsB};

BiquadCoefficients StageCoefficients(int stage, int block) {
    // Beyond the eleven centres, stages repeat them with another setting.
    return BandCoefficients(stage % 11, kSettings[(block + stage / 11) % std::size(kSettings)]);
}

// Runs the case through `run` and through the formula, comparing the block's
// bits and every stage's history after each block.
void ExpectSameAsFormula(CascadeFn run, const PathCase& c) {
    SCOPED_TRACE(c.name);
    int total = 0;
    for (int n : c.blockFrames)
        total += n;
    // One float of lead-in, so that frames do not start on an 8-byte boundary.
    std::vector<float> fast = c.extremes ? ExtremeSignal(total + 1) : MakeSignal(Signal::Noise, total + 1);
    std::vector<float> slow = fast;
    std::vector<StereoBiquad> fastStages(c.stages), slowStages(c.stages);
    std::vector<StereoBiquad*> chain;
    for (StereoBiquad& s : fastStages)
        chain.push_back(&s);

    int done = 1;
    for (std::size_t block = 0; block < c.blockFrames.size(); ++block) {
        for (int k = 0; k < c.stages; ++k)
            fastStages[k].c = slowStages[k].c = StageCoefficients(k, int(block));
        const int n = c.blockFrames[block];
        run(chain.data(), c.stages, fast.data() + done, n);
        RunPlainFormula(slowStages, slow.data() + done, n);
        done += n;

        ASSERT_EQ(std::memcmp(fast.data(), slow.data(), fast.size() * sizeof(float)), 0)
            << "after block " << block;
        for (int k = 0; k < c.stages; ++k)
            ASSERT_EQ(std::memcmp(&fastStages[k].h, &slowStages[k].h, sizeof(StereoHistory)), 0)
                << "history of stage " << k << " after block " << block;
    }
    if (c.extremes) {
        // The case reached what it is there for.
        EXPECT_TRUE(std::any_of(slow.begin(), slow.end(), [](float v) { return std::isinf(v); }));
        if (c.stages > 1) {
            EXPECT_TRUE(std::any_of(slow.begin(), slow.end(), [](float v) { return std::isnan(v); }));
        }
    }
}

std::vector<PathCase> Cases() {
    const std::vector<int> oddBlocks = {1, 3, 1023, 1, 1023, 3, 5, 11, 13};
    // Shorter than the time the last stage trails the first, and around it.
    const std::vector<int> shortBlocks = {1,  2,  3,  4,  5,  0,  7,  8,  9, 17, 0,
                                          19, 20, 21, 23, 24, 25, 40, 41, 2, 1};
    const std::vector<int> roundEdges = {127, 128, 129, 256, 257, 2, 1, 12, 600};
    std::vector<PathCase> cases;
    for (int stages : {1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13, 16}) {
        const std::string n = std::to_string(stages) + " stages, ";
        cases.push_back({n + "odd blocks", stages, oddBlocks});
        cases.push_back({n + "short blocks", stages, shortBlocks});
        cases.push_back({n + "round edges", stages, roundEdges});
    }
    cases.push_back({"no stages", 0, {5, 64}});
    cases.push_back({"1 stage, extremes", 1, oddBlocks, true});
    cases.push_back({"5 stages, extremes", 5, oddBlocks, true});
    cases.push_back({"6 stages, extremes, short blocks", 6, shortBlocks, true});
    cases.push_back({"11 stages, extremes", 11, oddBlocks, true});
    return cases;
}

} // namespace

TEST(CascadePaths, Sse2IsThePlainFormula) {
    for (const PathCase& c : Cases())
        ExpectSameAsFormula(RunBiquadCascadeSse2, c);
}

TEST(CascadePaths, AvxIsThePlainFormula) {
    if (!CascadeAvxAvailable()) GTEST_SKIP() << "this CPU does not run AVX";
    for (const PathCase& c : Cases())
        ExpectSameAsFormula(RunBiquadCascadeAvx, c);
}

TEST(CascadePaths, TheChosenPathIsThePlainFormula) {
    for (const PathCase& c : Cases())
        ExpectSameAsFormula(RunBiquadCascade, c);
}

#endif
