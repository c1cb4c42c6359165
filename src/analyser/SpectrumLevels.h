#pragma once
// Bar heights of the analyser and how they rise and fall from frame to frame.
//
// A band loud enough to reach the threshold sets its bar at once, up or down; a quieter band only
// lets the bar sink, one pixel per frame, so the picture calms down slowly instead of flickering.
#include <array>
#include <span>

class SpectrumLevels {
  public:
    static constexpr int kBarCount = 129;     // bars computed per frame (only the first 21 are seen)
    static constexpr int kHeightLimitPx = 36; // tallest bar
    static constexpr int kThresholdPx = 15;   // a band at least this tall replaces its bar
    static constexpr int kDecayStepPx = 1;    // fall per frame of a bar below the threshold
    static constexpr float kPixelsPerUnit = 500.0f;

    // Height a magnitude asks for: |m| x 500 truncated, capped at the limit. Garbage from a decoder
    // (NaN) counts as silence and infinity as full scale, so no input can make the cast undefined.
    static int targetHeightPx(float magnitude);

    // Advances one frame from the first kBarCount magnitudes (missing entries are silence).
    // Returns whether any bar changed height.
    bool step(std::span<const float> magnitudes);
    // Whether another step with the same magnitudes would still change a bar.
    bool wouldChange(std::span<const float> magnitudes) const;

    int heightPx(int bar) const { return heightsPx_[std::size_t(bar)]; }
    const std::array<int, kBarCount>& heightsPx() const { return heightsPx_; }

  private:
    int nextHeightPx(int bar, std::span<const float> magnitudes) const;

    std::array<int, kBarCount> heightsPx_{};
};
