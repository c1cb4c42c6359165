#include "EqBank.h"
#include "EqSignals.h"
#include "ReferenceEq.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace eqtest;

namespace {

// Feeds a bank and a hand-driven reference the same blocks; between blocks a
// script changes the bank through its GUI-side calls and the reference the
// way those calls are meant to act.
struct Harness {
    EqBank bank;
    std::vector<ReferenceBand> reference = std::vector<ReferenceBand>(EqBank::kMaxBands);
    std::vector<bool> active = std::vector<bool>(EqBank::kMaxBands, false);
    std::vector<float> fast, slow;
    int done = 0;

    explicit Harness(Signal signal, int frames) : fast(MakeSignal(signal, frames)), slow(fast) {}

    void block(int frames) {
        bank.beginBlock();
        bank.process(fast.data() + 2 * done, frames);
        for (int b = 0; b < EqBank::kMaxBands; ++b)
            if (active[b]) reference[b].process(slow.data() + 2 * done, frames);
        done += frames;
    }
    int claim(const BiquadCoefficients& c) {
        const int band = bank.claimBand(c);
        if (band >= 0) {
            reference[band].reset();
            reference[band].c = c;
            active[band] = true;
        }
        return band;
    }
    void set(int band, const BiquadCoefficients& c) {
        bank.setBand(band, c);
        reference[band].c = c;
    }
    void release(int band) {
        bank.releaseBand(band);
        active[band] = false;
    }
};

} // namespace

TEST(EqBank, SoundsLikeTheBandByBandFormula) {
    struct Step {
        const char* what;
        std::function<void(Harness&)> change;
        int frames;
    };
    auto claimEleven = [](Harness& h) {
        for (int b = 0; b < 11; ++b)
            ASSERT_EQ(h.claim(BandCoefficients(b, kGainsA)), b);
    };
    auto setAll = [](const double* gains) {
        return [gains](Harness& h) {
            for (int b = 0; b < 11; ++b)
                h.set(b, BandCoefficients(b, gains));
        };
    };
    const Step steps[] = {
        {"eleven bands", claimEleven, 1023},
        {"one frame", [](Harness&) {}, 1},
        {"new gains", setAll(kGainsB), 3},
        {"two changes in one block, the last counts",
         [&](Harness& h) {
             setAll(kFlat)(h);
             setAll(kGainsA)(h);
         },
         1023},
        {"all flat", setAll(kFlat), 129},
        {"back from flat", setAll(kGainsB), 5},
        {"a band released", [](Harness& h) { h.release(4); }, 257},
        {"claimed again starts from silence",
         [](Harness& h) { ASSERT_EQ(h.claim(BandCoefficients(4, kGainsA)), 4); }, 1000},
        {"two released, one more band",
         [](Harness& h) {
             h.release(0);
             h.release(7);
             ASSERT_EQ(h.claim(BandCoefficients(1, kGainsB)), 0);
         },
         777},
    };
    Harness h(Signal::Noise, 8192);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change(h);
        h.block(step.frames);
        const double difference = MaxAbsDifference(h.fast, h.slow);
        EXPECT_LE(difference, 1e-6);
        EXPECT_EQ(difference, 0.0);
    }
}

TEST(EqBank, ResetStateForgetsEveryBandsPast) {
    Harness h(Signal::Sines, 4096);
    for (int b = 0; b < 11; ++b)
        h.claim(BandCoefficients(b, kGainsA));
    h.block(2048);
    h.bank.resetState();
    for (ReferenceBand& r : h.reference)
        r.reset();
    h.block(2048);
    EXPECT_EQ(MaxAbsDifference(h.fast, h.slow), 0.0);

    // And it is really forgotten: silence after a reset stays silence.
    std::vector<float> silence(2 * 300, 0.0f);
    h.bank.resetState();
    h.bank.beginBlock();
    h.bank.process(silence.data(), 300);
    for (float v : silence)
        ASSERT_EQ(v, 0.0f);
}
