// Sound output costs that the player's targets name: the sound server's CPU
// while we play, how long a change takes to be heard, what a drag of the
// volume bar costs the player and the server, and the WAV output's unpaced
// throughput.
#include "OutputPulse.h"
#include "OutputWav.h"
#include "ProcessCpu.h"
#include "PulseServer.h"
#include "VexoEngine.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <thread>

namespace {

AudioOutput::RenderCallback sine(int rate) {
    return [rate, n = std::int64_t(0)](float* out, int frames) mutable {
        for (int i = 0; i < frames; ++i, ++n)
            out[2 * i] = out[2 * i + 1] = float(0.3 * std::sin(2 * std::numbers::pi * 1000.0 * n / rate));
    };
}

// Writes `seconds` of the stereo expression `channels` ("left|right") as 16-bit WAV.
bool makeTone(const std::string& channels, int seconds, const std::string& path) {
    const std::string make = "ffmpeg -v error -y -f lavfi -i 'aevalsrc=" + channels +
                             ":s=44100:d=" + std::to_string(seconds) + "' -c:a pcm_s16le '" + path + "'";
    return std::system(make.c_str()) == 0;
}

} // namespace

// Percent of one core the PulseAudio server uses while we play a stream, on a
// sink that behaves like a sound card's (it rewinds, and sleeps as long as the
// stream lets it).
static void output_pulse_server_cpu_percent(benchmark::State& state) {
    PulseServer server(PulseServer::Sink::LikeADevice);
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

// From SetVolume to the change heard through a real server. Measured on the
// recording of the sink's monitor against the position the engine reported at
// the call, as the WAV output's figure is.
static void pulse_volume_latency_ms(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string tone = dir.filePath("dc.wav").toStdString();
    if (!makeTone("0.5|0.5", 3, tone)) return state.SkipWithError("ffmpeg could not make the fixture");
    for (auto _ : state) {
        PulseServer server;
        if (!server.running()) return state.SkipWithError(server.error().c_str());
        const std::string recording = dir.filePath("monitor.raw").toStdString();
        if (!server.startRecording(recording)) return state.SkipWithError(server.error().c_str());
        setenv("VEXO_AUDIO", "pulse", 1);
        std::int64_t heardFrames = 0;
        {
            VexoEngine engine;
            if (!engine.openOutput(44100)) return state.SkipWithError("no connection to the sound server");
            const StreamHandle h = engine.Create(tone);
            engine.Play(h);
            std::this_thread::sleep_for(std::chrono::milliseconds(1200));
            heardFrames = engine.heardPosition(h) / 4;
            engine.SetVolume(h, 50);
            std::this_thread::sleep_for(std::chrono::milliseconds(800));
            engine.closeOutput();
        }
        server.stopRecording();
        std::ifstream in(recording, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        std::vector<std::int16_t> left(bytes.size() / 4);
        for (std::size_t i = 0; i < left.size(); ++i)
            std::memcpy(&left[i], bytes.data() + 4 * i, 2);
        std::size_t start = 0;
        while (start < left.size() && left[start] == 0)
            ++start;
        std::size_t changed = start;
        while (changed < left.size() && left[changed] > 12000)
            ++changed;
        if (changed >= left.size()) return state.SkipWithError("the change never reached the recording");
        const auto changeFrame = static_cast<std::int64_t>(changed - start);
        state.SetIterationTime(static_cast<double>(changeFrame - heardFrames) / 44100.0);
    }
}
BENCHMARK(pulse_volume_latency_ms)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();

namespace {

enum class Cpu { Player, Server };

// Percent of one core the player's engine (this process) or the sound server
// spends while the volume bar is dragged: a value every 8 ms, as mouse moves
// come, for four seconds, with the equalizer's ten bands on. The sink rewinds
// and sleeps as a sound card's does.
void volumeDragCpu(benchmark::State& state, Cpu whose) {
    QTemporaryDir dir;
    const std::string music = dir.filePath("music.wav").toStdString();
    if (!makeTone("0.2*sin(2*PI*440*t)+0.1*sin(2*PI*660*t)|0.2*sin(2*PI*550*t)", 12, music))
        return state.SkipWithError("ffmpeg could not make the fixture");
    for (auto _ : state) {
        PulseServer server(PulseServer::Sink::LikeADevice);
        if (!server.running()) return state.SkipWithError(server.error().c_str());
        setenv("VEXO_AUDIO", "pulse", 1);
        VexoEngine engine;
        if (!engine.openOutput(44100)) return state.SkipWithError("no connection to the sound server");
        const StreamHandle h = engine.Create(music);
        for (int band = 0; band < 10; ++band) {
            ParamEqParams p;
            p.centerHz = 31.25f * float(1 << band);
            p.bandwidthSemitones = 12;
            p.gainDb = band % 2 ? 4.0f : -4.0f;
            engine.setEffectParameters(engine.addEffect(h, FxType::ParamEq, 0), p);
        }
        engine.Play(h);
        std::this_thread::sleep_for(std::chrono::milliseconds(800)); // past the start-up requests
        const pid_t pid = whose == Cpu::Player ? getpid() : pid_t(server.pid());
        const double cpuBefore = processCpuSeconds(pid);
        const auto begin = std::chrono::steady_clock::now();
        for (int step = 0; step < 500; ++step) {
            engine.SetVolume(h, 40 + (step / 5) % 50);
            std::this_thread::sleep_for(std::chrono::milliseconds(8));
        }
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        state.counters["figure"] = 100.0 * (processCpuSeconds(pid) - cpuBefore) / wall;
        if (!engine.IsActiveChannel(h)) return state.SkipWithError("playback stopped");
        engine.closeOutput();
    }
}

} // namespace

static void pulse_volume_drag_player_cpu_percent(benchmark::State& state) {
    volumeDragCpu(state, Cpu::Player);
}
BENCHMARK(pulse_volume_drag_player_cpu_percent)->Iterations(1)->Unit(benchmark::kMillisecond);

static void pulse_volume_drag_server_cpu_percent(benchmark::State& state) {
    volumeDragCpu(state, Cpu::Server);
}
BENCHMARK(pulse_volume_drag_server_cpu_percent)->Iterations(1)->Unit(benchmark::kMillisecond);

// Wall time to write one minute of audio through the unpaced WAV output.
static void wav_unpaced_minute_ms(benchmark::State& state) {
    QTemporaryDir dir;
    for (auto _ : state) {
        OutputWav out((dir.path() + "/bench.wav").toStdString(), PacedOutput::Pacing::Unpaced);
        out.open(44100, sine(44100));
        out.start();
        while (out.framesWritten() < 60 * 44100)
            std::this_thread::yield();
        out.close();
    }
}
BENCHMARK(wav_unpaced_minute_ms)->Unit(benchmark::kMillisecond);
