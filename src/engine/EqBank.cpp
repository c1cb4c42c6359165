#include "EqBank.h"

int EqBank::claimBand(const BiquadCoefficients& initial) {
    for (int i = 0; i < kMaxBands; ++i) {
        Band& b = bands_[i];
        if (b.claimed) continue;
        b.claimed = true;
        b.pending.write(initial);
        b.generation.fetch_add(1, std::memory_order_release);
        b.enabled.store(true, std::memory_order_release);
        return i;
    }
    return -1;
}

void EqBank::releaseBand(int band) {
    if (band < 0 || band >= kMaxBands) return;
    bands_[band].claimed = false;
    bands_[band].enabled.store(false, std::memory_order_release);
}

void EqBank::setBand(int band, const BiquadCoefficients& coefficients) {
    if (band < 0 || band >= kMaxBands || !bands_[band].claimed) return;
    bands_[band].pending.write(coefficients);
}

void EqBank::beginBlock() {
    for (Band& b : bands_) {
        b.active = b.enabled.load(std::memory_order_acquire);
        const std::uint32_t generation = b.generation.load(std::memory_order_acquire);
        if (generation != b.seenGeneration) {
            b.seenGeneration = generation;
            b.filter.reset();
        }
        if (!b.active) continue;
        BiquadCoefficients c;
        if (b.pending.read(c)) {
            b.current = c;
            b.filter.setCoefficients(c);
        }
    }
}

void EqBank::process(float* stereo, int frames) {
    // One chain call rather than band after band: neighbouring bands then
    // overlap in the floating-point units.
    PeakingEq* chain[kMaxBands];
    int count = 0;
    for (Band& b : bands_)
        if (b.active) chain[count++] = &b.filter;
    PeakingEq::processChain(chain, count, stereo, frames);
}

void EqBank::resetState() {
    for (Band& b : bands_)
        b.filter.reset();
}

void EqBank::saveState(History& into) const {
    for (int i = 0; i < kMaxBands; ++i)
        into.filters[i] = bands_[i].filter;
}

void EqBank::restoreState(const History& from) {
    for (int i = 0; i < kMaxBands; ++i) {
        bands_[i].filter = from.filters[i];
        bands_[i].filter.setCoefficients(bands_[i].current);
    }
}
