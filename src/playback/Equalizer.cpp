#include "Equalizer.h"

#include <algorithm>

Equalizer::Equalizer(AudioEngine& engine, const PlaybackState& state) : engine_(engine), state_(state) {
    params_.fill(kNeutral);
}

void Equalizer::AttachEQ() {
    for (int k = 0; k < kBands; ++k)
        fx_[k] = engine_.addEffect(state_.Channel, FxType::ParamEq, kPriority);
    ParamEqParams block;
    block.bandwidthSemitones = kBandwidthSemitones;
    block.gainDb = 0;
    for (int k = 0; k < kBands; ++k) {
        block.centerHz = kCentresHz[k];
        engine_.setEffectParameters(fx_[k], block);
    }
    applied_ = true;
}

void Equalizer::ApplyEQGains() {
    for (int k = 0; k < kBands; ++k)
        SetEQBandGain(fx_[k], params_[k]);
    notify();
}

void Equalizer::DetachEQ() {
    for (FxHandle fx : fx_)
        engine_.removeEffect(state_.Channel, fx);
    applied_ = false;
}

void Equalizer::switchEq(bool on) {
    enabled_ = on;
    if (on) {
        AttachEQ();
        ApplyEQGains();
    } else {
        DetachEQ();
    }
}

void Equalizer::ResetEQ() {
    params_.fill(kNeutral);
    for (FxHandle fx : fx_)
        SetEQBandGain(fx, kNeutral);
    notify();
}

void Equalizer::setBand(int band, int row) {
    if (band < 0 || band >= kBands || row < kTopRow || row > kBottomRow) return;
    params_[band] = row;
    SetEQBandGain(fx_[band], row);
    notify();
}

void Equalizer::SetEQBandGain(FxHandle fx, int row) {
    // The effect keeps its centre and bandwidth; only the gain changes. A refused read (a freed or
    // detached effect) leaves nothing to change.
    std::optional<ParamEqParams> block = engine_.effectParameters(fx);
    if (!block) return;
    block->gainDb = float(gainDb(row));
    engine_.setEffectParameters(fx, *block);
}

void Equalizer::setEqParams(const std::array<int, kBands>& rows) {
    for (int k = 0; k < kBands; ++k)
        params_[k] = std::clamp(rows[k], kTopRow, kBottomRow);
    notify();
}

void Equalizer::setEqEnabled(bool enabled) {
    enabled_ = enabled;
    notify();
}

void Equalizer::notify() {
    emit changed();
}
