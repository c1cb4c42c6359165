#pragma once
#include "AudioEngine.h"
#include "PlaybackState.h"

#include <QObject>

#include <array>

// The eleven-band equalizer: one peaking filter per band on the open stream, a semitone wide, with
// a gain of 15 - EQParams[k] dB. EQParams are rows of the curve box (0 top = +15 dB, 15 = 0 dB,
// 30 bottom = -15 dB) and stay stored while the equalizer is off. Effects belong to the stream they
// were attached to; the controller attaches fresh ones to every new stream. GUI thread only.
class Equalizer : public QObject {
    Q_OBJECT
  public:
    static constexpr int kBands = 11;
    static constexpr int kNeutral = 15, kTopRow = 0, kBottomRow = 30;
    static constexpr std::array<float, kBands> kCentresHz = {80,   150,  300,   600,   1000, 2000,
                                                             4000, 8000, 12000, 14000, 16000};
    static constexpr float kBandwidthSemitones = 1.0f;
    static constexpr int kPriority = 1;

    Equalizer(AudioEngine& engine, const PlaybackState& state);

    // Adds the eleven bands to the open stream at 0 dB and switches the equalizer on.
    void AttachEQ();
    // Sends every band's stored gain to its effect.
    void ApplyEQGains();
    // Removes the bands from the open stream and switches the equalizer off.
    void DetachEQ();
    // AttachEQ then ApplyEQGains when on, DetachEQ when off, and the "ON" button shows the new state:
    // the button and the settings use it.
    void switchEq(bool on);
    // Flattens the stored curve and the effects to 0 dB.
    void ResetEQ();
    // Stores band k's row and sends its gain; rows outside 0..30 are ignored.
    void setBand(int band, int row);
    void SetEQBandGain(FxHandle fx, int row);

    const std::array<int, kBands>& EQParams() const { return params_; }
    // Rows as the settings file holds them; a number outside 0..30 would be an unbounded gain, so it is
    // brought onto the curve box's edge.
    void setEqParams(const std::array<int, kBands>& rows);
    static int gainDb(int row) { return kNeutral - row; }

    bool EQApplied() const { return applied_; }
    // The state the "ON" button shows; it runs ahead of EQApplied while the button is held.
    bool EQEnabled() const { return enabled_; }
    void setEqEnabled(bool enabled);

  signals:
    // The stored curve or the on/off look changed, for the boxes that draw them.
    void changed();

  private:
    void notify();

    AudioEngine& engine_;
    const PlaybackState& state_;
    std::array<int, kBands> params_;
    std::array<FxHandle, kBands> fx_{};
    bool applied_ = false;
    bool enabled_ = false;
};
