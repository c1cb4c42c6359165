// Engine figures: the whole playback path against the ffmpeg command on the
// same file, CPU while playing in real time, the gap between two tracks and
// how soon a volume change is heard. Fixtures are made with ffmpeg once in
// /tmp/vexo-engine-bench.
#include "ProcessCpu.h"
#include "VexoEngine.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const std::string kFolder = "/tmp/vexo-engine-bench";

std::string fixture(const std::string& name, const std::string& args) {
    const std::string path = kFolder + "/" + name;
    if (std::ifstream(path).good()) return path;
    std::system(("mkdir -p " + kFolder).c_str());
    const std::string tmp = kFolder + "/tmp-" + name;
    const std::string command =
        "ffmpeg -y -loglevel error " + args + " '" + tmp + "' && mv '" + tmp + "' '" + path + "'";
    return std::system(command.c_str()) == 0 ? path : std::string();
}

// Three minutes of music-like sound: pink noise under two tones.
std::string longMp3() {
    return fixture("180s.mp3", "-f lavfi -i anoisesrc=d=180:c=pink:r=44100:a=0.2 "
                               "-f lavfi -i sine=f=440:d=180:r=44100 -f lavfi -i sine=f=660:d=180:r=44100 "
                               "-filter_complex amix=inputs=3,aformat=channel_layouts=stereo "
                               "-c:a libmp3lame -b:a 192k");
}

// A sine on a DC offset: never exactly zero, so silence in a recording is the
// engine's. FLAC, lossless like WAV, because FFmpeg's WAV reader scans the
// first 64 KB for S/PDIF data on its first read, which would be measured too.
std::string offsetTone(const std::string& name, int hz, const char* seconds) {
    const std::string e = "0.3+0.2*sin(2*PI*" + std::to_string(hz) + "*t)";
    return fixture(name, "-f lavfi -i 'aevalsrc=" + e + "|" + e + ":s=44100:d=" + seconds + "' -c:a flac");
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Interleaved 16-bit stereo samples of a WAV file written by the WAV output.
std::vector<std::int16_t> readWav16(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const auto data = bytes.find("data");
    std::vector<std::int16_t> samples;
    if (data == std::string::npos) return samples;
    samples.resize((bytes.size() - data - 8) / 2);
    std::memcpy(samples.data(), bytes.data() + data + 8, samples.size() * 2);
    return samples;
}

void addEqualizer(VexoEngine& engine, StreamHandle h) {
    const float centres[11] = {80, 150, 300, 600, 1000, 2000, 4000, 8000, 12000, 14000, 16000};
    for (int i = 0; i < 11; ++i) {
        const FxHandle fx = engine.addEffect(h, FxType::ParamEq, 1);
        engine.setEffectParameters(fx, {centres[i], 1.0f, static_cast<float>(i % 2 ? 6 - i : i - 6)});
    }
}

class EndWaiter {
  public:
    EndCallback callback() {
        return [this](EndReason) {
            std::lock_guard lock(mutex_);
            ended_ = true;
            changed_.notify_all();
        };
    }
    bool wait(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [this] { return ended_; });
    }
    bool ended() {
        std::lock_guard lock(mutex_);
        return ended_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool ended_ = false;
};

void engine_vs_ffmpeg_ratio(benchmark::State& state) {
    const std::string mp3 = longMp3();
    if (mp3.empty()) return state.SkipWithError("ffmpeg could not make the fixture");
    for (auto _ : state) {
        auto start = Clock::now();
        if (std::system(("ffmpeg -loglevel error -i '" + mp3 + "' -f null -").c_str()) != 0)
            return state.SkipWithError("ffmpeg failed");
        const double ffmpegSeconds = seconds(Clock::now() - start);

        setenv("VEXO_AUDIO", "null:unpaced", 1);
        VexoEngine engine;
        engine.openOutput(44100);
        engine.setDecodeAhead(1000);
        start = Clock::now();
        const StreamHandle h = engine.Create(mp3);
        EndWaiter end;
        engine.notifyAtEnd(h, end.callback());
        addEqualizer(engine, h);
        engine.SetVolume(h, 80);
        engine.setPan(h, 0.3f);
        engine.Play(h);
        // The analyser asks for a spectrum every 60 ms of audio.
        const std::int64_t fftStepBytes = engine.SecToByte(h, 0.06);
        std::int64_t nextFft = 0;
        float fft[kFftBins];
        int ffts = 0;
        while (!end.ended()) {
            const std::int64_t position = engine.heardPosition(h);
            for (; nextFft <= position; nextFft += fftStepBytes, ++ffts)
                engine.readSpectrum(h, fft);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        const double engineSeconds = seconds(Clock::now() - start);
        engine.closeOutput();
        state.counters["engine_s"] = engineSeconds;
        state.counters["ffmpeg_s"] = ffmpegSeconds;
        state.counters["ffts"] = ffts;
        state.counters["figure"] = engineSeconds / ffmpegSeconds;
    }
}

void engine_play_cpu_percent(benchmark::State& state) {
    const std::string mp3 = longMp3();
    if (mp3.empty()) return state.SkipWithError("ffmpeg could not make the fixture");
    for (auto _ : state) {
        setenv("VEXO_AUDIO", "null", 1);
        VexoEngine engine;
        engine.openOutput(44100);
        engine.setDecodeAhead(1000);
        const StreamHandle h = engine.Create(mp3);
        addEqualizer(engine, h);
        engine.Play(h);
        // Start counting once the first fill is done, as in a long listening session.
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const double cpuBefore = cpuSeconds();
        const auto start = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(12));
        const double cpu = cpuSeconds() - cpuBefore;
        const double wall = seconds(Clock::now() - start);
        engine.closeOutput();
        state.counters["figure"] = 100.0 * cpu / wall;
    }
}

void track_gap_ms(benchmark::State& state) {
    const std::string first = offsetTone("gap-1.01s.flac", 500, "1.01"),
                      second = offsetTone("gap-1s.flac", 700, "1");
    if (first.empty() || second.empty()) return state.SkipWithError("ffmpeg could not make the fixtures");
    const std::string out = kFolder + "/gap-out.wav";
    std::int64_t expectedFrames = 0;
    {
        VexoEngine probe;
        for (const auto& path : {first, second})
            expectedFrames += probe.GetLength(probe.Create(path)) / 4;
    }
    for (auto _ : state) {
        setenv("VEXO_AUDIO", ("wav:" + out).c_str(), 1);
        {
            VexoEngine engine;
            engine.openOutput(44100);
            engine.setDecodeAhead(1000);
            StreamHandle h = engine.Create(first);
            EndWaiter firstEnd, secondEnd;
            engine.notifyAtEnd(h, firstEnd.callback());
            engine.Play(h);
            if (!firstEnd.wait(std::chrono::seconds(5))) return state.SkipWithError("no end sync");
            const auto handoverStart = Clock::now();
            // What the player does on the end of a track.
            engine.Stop(h);
            engine.ChannelFree(h);
            h = engine.Create(second);
            engine.notifyAtEnd(h, secondEnd.callback());
            engine.Play(h);
            state.counters["handover_ms"] = 1000 * seconds(Clock::now() - handoverStart);
            if (!secondEnd.wait(std::chrono::seconds(5))) return state.SkipWithError("no end sync");
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            engine.closeOutput();
        }
        const std::vector<std::int16_t> pcm = readWav16(out);
        std::size_t begin = 0, end = pcm.size();
        while (begin < end && pcm[begin] == 0)
            ++begin;
        while (end > begin && pcm[end - 1] == 0)
            --end;
        std::size_t silent = 0, sounding = 0;
        for (std::size_t i = begin; i < end; i += 2)
            (pcm[i] == 0 && pcm[i + 1] == 0 ? silent : sounding) += 1;
        // 1.01 s: the first track ends inside an output block, as most do.
        if (static_cast<std::int64_t>(sounding) != expectedFrames)
            return state.SkipWithError("frames of a track were lost");
        state.SetIterationTime(silent / 44100.0);
    }
}

void volume_latency_ms(benchmark::State& state) {
    const std::string tone = fixture("dc.wav", "-f lavfi -i 'aevalsrc=0.5|0.5:s=44100:d=2' -c:a pcm_s16le");
    if (tone.empty()) return state.SkipWithError("ffmpeg could not make the fixture");
    const std::string out = kFolder + "/volume-out.wav";
    for (auto _ : state) {
        setenv("VEXO_AUDIO", ("wav:" + out).c_str(), 1);
        std::int64_t heardFrames = 0;
        {
            VexoEngine engine;
            engine.openOutput(44100);
            const StreamHandle h = engine.Create(tone);
            engine.Play(h);
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
            heardFrames = engine.heardPosition(h) / 4;
            engine.SetVolume(h, 50);
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            engine.closeOutput();
        }
        const std::vector<std::int16_t> pcm = readWav16(out);
        std::size_t start = 0;
        while (start < pcm.size() && pcm[start] == 0)
            start += 2;
        std::size_t changed = start;
        while (changed < pcm.size() && pcm[changed] > 12000)
            changed += 2;
        if (changed >= pcm.size()) return state.SkipWithError("the change never reached the output");
        const auto changeFrame = static_cast<std::int64_t>((changed - start) / 2);
        state.SetIterationTime(static_cast<double>(changeFrame - heardFrames) / 44100.0);
    }
}

// CPU of the sound server while the engine plays through it. Needs a server
// of its own, so it runs only from bench/engine_pulse.sh, which starts one and
// passes its process id.

void pulse_server_cpu_percent(benchmark::State& state) {
    const auto pid = static_cast<pid_t>(std::stol(std::getenv("VEXO_BENCH_PULSE_PID")));
    const std::string mp3 = longMp3();
    for (auto _ : state) {
        setenv("VEXO_AUDIO", "pulse", 1);
        VexoEngine engine;
        if (!engine.openOutput(44100)) return state.SkipWithError("no connection to the sound server");
        const StreamHandle h = engine.Create(mp3);
        engine.Play(h);
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const double before = processCpuSeconds(pid);
        const auto start = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(10));
        const double cpu = processCpuSeconds(pid) - before;
        const double wall = seconds(Clock::now() - start);
        if (!engine.IsActiveChannel(h)) return state.SkipWithError("playback stopped");
        engine.closeOutput();
        state.counters["figure"] = 100.0 * cpu / wall;
    }
}

const bool pulseRegistered =
    std::getenv("VEXO_BENCH_PULSE_PID") &&
    benchmark::RegisterBenchmark("pulse_server_cpu_percent", pulse_server_cpu_percent)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);

} // namespace

BENCHMARK(engine_vs_ffmpeg_ratio)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(engine_play_cpu_percent)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(track_gap_ms)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();
BENCHMARK(volume_latency_ms)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();
