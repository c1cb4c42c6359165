#pragma once
// Test audio: files generated with the ffmpeg command into one temporary
// folder per test process, a WAV reader for recorded output, and the few
// measurements the engine tests make on audio.

#include <functional>
#include <string>
#include <vector>

class VexoEngine;

// Runs `ffmpeg -y <args> <folder>/<name>` once per process; returns the path,
// or "" when ffmpeg cannot make that file here (missing encoder).
std::string makeAudio(const std::string& name, const std::string& args);
// ffmpeg input arguments for `expression` (of t) on each of `channels`
// channels (1, 2 or 6 as 5.1); ffmpeg's own up-mix would lower a mono source by 3 dB.
std::string toneInput(const std::string& expression, int rate, double seconds, int channels = 2);
// A file of its own name with the given bytes, in the same folder.
std::string makeFile(const std::string& name, const std::string& bytes);
std::string fixtureFolder();

struct Pcm {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples; // interleaved
    int frames() const { return channels ? static_cast<int>(samples.size()) / channels : 0; }
    float at(int frame, int channel) const {
        return samples[static_cast<std::size_t>(frame) * channels + channel];
    }
};

// 16-bit PCM or float WAV; empty Pcm when unreadable.
Pcm readWav(const std::string& path);

// Amplitude of the sine at `hz` in frames [first, first + count) of one channel (Goertzel).
double toneAmplitude(const Pcm& pcm, int channel, double hz, int first, int count);
// First and one-past-last frame where any channel is not exactly zero; {0, 0} when all silent.
std::pair<int, int> soundingSpan(const Pcm& pcm);

// Plays `path` through a real-time WAV output until its end sync, with
// `setup` called between Create and Play; returns what the output wrote.
Pcm playAndRecord(const std::string& path, const std::function<void(VexoEngine&, unsigned)>& setup = {});

// Waits up to `timeoutMs` for `done`, polling.
bool waitFor(const std::function<bool()>& done, int timeoutMs);

// A copy of an MP4 file FFmpeg wrote (its moov box last) that also carries iTunes' gapless figures,
// as iTunes writes them: `priming` and `samples` in an "iTunSMPB" item. "" when the boxes are not found.
std::string withItunesGaplessInfo(const std::string& path, int priming, int samples);
