#include "EqSignals.h"
#include "PeakingEq.h"
#include "ReferenceEq.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace eqtest;

namespace {

struct ChainCase {
    std::string name;
    int bands;
    Signal signal;
    std::vector<const double*> settings; // one per block, in turn
    std::vector<int> blockFrames;
};

// Runs the signal block by block through the chain and through the reference,
// giving both the same coefficients before every block.
std::pair<std::vector<float>, std::vector<float>> runBoth(const ChainCase& c) {
    int total = 0;
    for (int n : c.blockFrames)
        total += n;
    std::vector<float> fast = MakeSignal(c.signal, total);
    std::vector<float> slow = fast;

    std::vector<PeakingEq> eqs(c.bands);
    std::vector<PeakingEq*> chain;
    for (PeakingEq& eq : eqs)
        chain.push_back(&eq);
    std::vector<ReferenceBand> reference(c.bands);

    int done = 0;
    for (std::size_t block = 0; block < c.blockFrames.size(); ++block) {
        const double* gains = c.settings[block % c.settings.size()];
        for (int b = 0; b < c.bands; ++b) {
            eqs[b].setCoefficients(BandCoefficients(b, gains));
            reference[b].c = BandCoefficients(b, gains);
        }
        const int n = c.blockFrames[block];
        PeakingEq::processChain(chain.data(), c.bands, fast.data() + 2 * done, n);
        ProcessReference(reference, slow.data() + 2 * done, n);
        done += n;
    }
    return {fast, slow};
}

} // namespace

TEST(EqChain, SoundsLikeTheBandByBandFormula) {
    const std::vector<int> oddBlocks = {1, 3, 1023, 1, 1023, 3, 5, 11, 13};
    // Around the fast path's inner round of frames, and shorter than its fill.
    const std::vector<int> roundEdges = {127, 128, 129, 256, 257, 2, 1, 12, 600};
    const ChainCase cases[] = {
        {"1 band, noise", 1, Signal::Noise, {kGainsA}, oddBlocks},
        {"1 band, sines, changes", 1, Signal::Sines, {kGainsA, kGainsB}, oddBlocks},
        {"2 bands, noise, changes", 2, Signal::Noise, {kGainsA, kGainsB}, oddBlocks},
        {"5 bands, sines", 5, Signal::Sines, {kGainsA}, roundEdges},
        {"5 bands, noise, changes", 5, Signal::Noise, {kGainsB, kGainsA}, roundEdges},
        {"11 bands, noise", 11, Signal::Noise, {kGainsA}, {4096, 1023, 3, 1}},
        {"11 bands, noise, changes", 11, Signal::Noise, {kGainsA, kGainsB}, oddBlocks},
        {"11 bands, sines, changes", 11, Signal::Sines, {kGainsB, kGainsA}, roundEdges},
        {"11 bands, flat then set", 11, Signal::Noise, {kFlat, kFlat, kGainsA, kFlat, kGainsB}, oddBlocks},
        {"11 bands, decaying into silence", 11, Signal::NoiseThenSilence, {kGainsA}, {4096, 4096, 4096}},
    };
    for (const ChainCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto [fast, slow] = runBoth(c);
        const double difference = MaxAbsDifference(fast, slow);
        EXPECT_LE(difference, 1e-6);
        // Same operations in the same order: not merely close but equal.
        EXPECT_EQ(difference, 0.0);
    }
}

TEST(EqChain, OneBandProcessIsTheChainOfOne) {
    std::vector<float> fast = MakeSignal(Signal::Noise, 3000);
    std::vector<float> slow = fast;
    PeakingEq eq;
    ReferenceBand reference;
    for (int block = 0; block < 3; ++block) {
        const double* gains = block == 1 ? kFlat : kGainsA;
        eq.setCoefficients(BandCoefficients(0, gains));
        reference.c = BandCoefficients(0, gains);
        eq.process(fast.data() + 2000 * block, 1000);
        reference.process(slow.data() + 2000 * block, 1000);
    }
    EXPECT_EQ(MaxAbsDifference(fast, slow), 0.0);
}

TEST(EqChain, EmptyBlocksAndEmptyChainsChangeNothing) {
    std::vector<float> signal = MakeSignal(Signal::Noise, 64);
    const std::vector<float> original = signal;
    PeakingEq eq;
    eq.setCoefficients(BandCoefficients(0, kGainsA));
    PeakingEq* chain[] = {&eq};
    PeakingEq::processChain(chain, 1, signal.data(), 0);
    PeakingEq::processChain(chain, 0, signal.data(), 64);
    EXPECT_EQ(signal, original);

    // Nor did the empty block disturb the band's history: it still starts
    // from silence, as a fresh band does.
    PeakingEq fresh;
    fresh.setCoefficients(BandCoefficients(0, kGainsA));
    std::vector<float> a = original, b = original;
    eq.process(a.data(), 64);
    fresh.process(b.data(), 64);
    EXPECT_EQ(a, b);
}
