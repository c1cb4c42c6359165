#pragma once
// The equalizer bands attached to one stream.
//
// Threads: claim/release/set on the GUI thread; beginBlock/process/resetState
// on the audio callback. Bands are preallocated; coefficients cross over
// through a triple buffer and each band keeps its filter history across
// changes, so moving a gain slider never clicks.

#include "BiquadCoefficients.h"
#include "PeakingEq.h"
#include "TripleBuffer.h"

#include <array>
#include <atomic>
#include <cstdint>

class EqBank {
  public:
    static constexpr int kMaxBands = 16;

    // GUI thread. claimBand returns the band index, or -1 when all are taken.
    int claimBand(const BiquadCoefficients& initial);
    void releaseBand(int band);
    void setBand(int band, const BiquadCoefficients& coefficients);

    // Audio callback: picks up changes once per output block, then filters.
    void beginBlock();
    void process(float* stereo, int frames);
    void resetState();

    // Audio callback: every band's filter history, so that audio already
    // filtered can be filtered again from the same point with new gains.
    struct History {
        std::array<PeakingEq, kMaxBands> filters;
    };
    void saveState(History& into) const;
    // Goes back to a saved history, keeping the coefficients in use now.
    void restoreState(const History& from);

  private:
    struct Band {
        TripleBuffer<BiquadCoefficients> pending;
        std::atomic<bool> enabled{false};
        // Bumped on every claim, so a reused band starts from silence
        // instead of another stream position's history.
        std::atomic<std::uint32_t> generation{0};
        bool claimed = false;                                // GUI thread
        std::uint32_t seenGeneration = 0;                    // audio thread
        bool active = false;                                 // audio thread
        PeakingEq filter;                                    // audio thread
        BiquadCoefficients current{1.0, 0.0, 0.0, 0.0, 0.0}; // audio thread: what `filter` uses
    };
    std::array<Band, kMaxBands> bands_;
};
