#pragma once
// Signals to play through an output and measurements of what came out.

#include "AudioOutput.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <numbers>
#include <thread>
#include <vector>

// A render callback playing a sine on each channel (0 Hz = silence there).
inline AudioOutput::RenderCallback stereoSine(double leftHz, double leftAmp, double rightHz, double rightAmp,
                                              int rate) {
    return [=, frame = std::int64_t(0)](float* out, int frames) mutable {
        for (int i = 0; i < frames; ++i, ++frame) {
            const double t = double(frame) / rate;
            out[2 * i] = float(leftAmp * std::sin(2 * std::numbers::pi * leftHz * t));
            out[2 * i + 1] = float(rightAmp * std::sin(2 * std::numbers::pi * rightHz * t));
        }
    };
}

inline std::vector<char> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<std::int16_t> toSamples(const std::vector<char>& bytes, std::size_t offset = 0) {
    std::vector<std::int16_t> s((bytes.size() - std::min(offset, bytes.size())) / 2);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto lo = static_cast<unsigned char>(bytes[offset + 2 * i]);
        const auto hi = static_cast<unsigned char>(bytes[offset + 2 * i + 1]);
        s[i] = static_cast<std::int16_t>(lo | (hi << 8));
    }
    return s;
}

struct Tone {
    double seconds = 0; // audible time, in 10 ms steps (pauses do not count)
    double hz = 0;      // from zero crossings in the longest unbroken stretch
    double rms = 0;     // over that stretch; full scale = 1.0
};

// Measures one channel of interleaved stereo s16 audio. Frequency and level
// come from the longest stretch without a pause, so that a pause (or a late
// wake-up of a starved machine) between two parts does not skew them.
inline Tone measureTone(const std::vector<std::int16_t>& stereo, int channel, int rate) {
    const std::size_t frames = stereo.size() / 2;
    auto at = [&](std::size_t i) { return stereo[2 * i + channel] / 32768.0; };
    const std::size_t step = rate / 100;
    const double audibleRms = 0.01; // -40 dBFS
    Tone tone;
    std::size_t runBegin = 0, runSteps = 0, bestBegin = 0, bestSteps = 0;
    for (std::size_t begin = 0; begin + step <= frames; begin += step) {
        double sum = 0;
        for (std::size_t i = begin; i < begin + step; ++i)
            sum += at(i) * at(i);
        if (std::sqrt(sum / step) < audibleRms) {
            runSteps = 0;
            continue;
        }
        tone.seconds += 0.01;
        if (runSteps++ == 0) runBegin = begin;
        if (runSteps > bestSteps) {
            bestBegin = runBegin;
            bestSteps = runSteps;
        }
    }
    // The first and last steps may be partly silent.
    if (bestSteps < 22) return tone;
    const std::size_t first = bestBegin + step;
    const std::size_t count = (bestSteps - 2) * step;
    int crossings = 0;
    double sum = 0;
    for (std::size_t i = first; i < first + count; ++i) {
        if (i > first && (at(i - 1) < 0) != (at(i) < 0)) ++crossings;
        sum += at(i) * at(i);
    }
    tone.hz = crossings / 2.0 / (double(count) / rate);
    tone.rms = std::sqrt(sum / count);
    return tone;
}

// Polls `done` every 5 ms until it holds or `timeout` passes.
template <typename Done>
bool eventually(Done done, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
