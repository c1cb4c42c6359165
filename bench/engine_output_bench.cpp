// Sound output costs that the player's targets name: the sound server's CPU
// while we play, how long a change takes to be heard, and the WAV output's
// unpaced throughput.
#include "OutputPulse.h"
#include "OutputWav.h"
#include "PulseServer.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

namespace {

AudioOutput::RenderCallback sine(int rate) {
    return [rate, n = std::int64_t(0)](float* out, int frames) mutable {
        for (int i = 0; i < frames; ++i, ++n)
            out[2 * i] = out[2 * i + 1] = float(0.3 * std::sin(2 * std::numbers::pi * 1000.0 * n / rate));
    };
}

} // namespace

// Percent of one core the PulseAudio server uses while we play a stream.
static void output_pulse_server_cpu_percent(benchmark::State& state) {
    PulseServer server;
    if (!server.running()) {
        state.SkipWithError(server.error().c_str());
        return;
    }
    OutputPulse out;
    if (!out.open(44100, sine(44100))) {
        state.SkipWithError("pulse output did not open");
        return;
    }
    out.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // past the start-up requests
    for (auto _ : state) {
        const double cpuBefore = server.cpuSeconds();
        const auto begin = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(5));
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        state.counters["figure"] = 100.0 * (server.cpuSeconds() - cpuBefore) / wall;
    }
    out.close();
}
BENCHMARK(output_pulse_server_cpu_percent)->Iterations(1)->Unit(benchmark::kMillisecond);

// Audio handed to the server but not yet heard: how long a change of volume,
// EQ or pause takes to reach the ears.
static void pulse_change_heard_ms(benchmark::State& state) {
    PulseServer server;
    OutputPulse out;
    if (!server.running() || !out.open(44100, sine(44100))) {
        state.SkipWithError("no pulse server");
        return;
    }
    out.start();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (auto _ : state) {
        double sum = 0;
        const int samples = 200;
        for (int i = 0; i < samples; ++i) {
            sum += 1000.0 * double(out.latencyFrames()) / out.rate();
            std::this_thread::sleep_for(std::chrono::milliseconds(7));
        }
        state.counters["figure"] = sum / samples;
    }
    out.close();
}
BENCHMARK(pulse_change_heard_ms)->Iterations(1)->Unit(benchmark::kMillisecond);

// Wall time to write one minute of audio through the unpaced WAV output.
static void wav_unpaced_minute_ms(benchmark::State& state) {
    QTemporaryDir dir;
    for (auto _ : state) {
        OutputWav out((dir.path() + "/bench.wav").toStdString(), PacedOutput::Pacing::Unpaced);
        out.open(44100, sine(44100));
        out.start();
        while (out.framesWritten() < 60 * 44100) std::this_thread::yield();
        out.close();
    }
}
BENCHMARK(wav_unpaced_minute_ms)->Unit(benchmark::kMillisecond);
