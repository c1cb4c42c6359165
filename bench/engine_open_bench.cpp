// How long the engine takes to open a file whose cost lies in its header,
// not its audio: a WAV with one second of sound followed by 64 MB of zeros,
// which FFmpeg's WAV reader walks as empty 8-byte chunks looking for tags,
// asking for the file's size at each. Opening happens on the window's thread,
// so this is how long a click or a paint of such a row holds the window.
// Bounding FFmpeg's probe size or analyse duration does not shorten it (the
// walk is part of reading the header, not of probing); answering the size
// from memory instead of a system call does, by about a hundred times.
#include "VexoEngine.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const std::string kFolder = "/tmp/vexo-engine-bench";

void put32(std::FILE* f, std::uint32_t v) {
    const unsigned char b[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16),
                                std::uint8_t(v >> 24)};
    std::fwrite(b, 1, 4, f);
}
void put16(std::FILE* f, std::uint16_t v) {
    const unsigned char b[2] = {std::uint8_t(v), std::uint8_t(v >> 8)};
    std::fwrite(b, 1, 2, f);
}

std::string zeroTailedWav() {
    const std::string path = kFolder + "/zero-tail-64mb.wav";
    std::system(("mkdir -p " + kFolder).c_str());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return {};
    const std::uint32_t rate = 44100, bytesPerFrame = 4, data = rate * bytesPerFrame;
    std::fwrite("RIFF", 1, 4, f);
    put32(f, 36 + data);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put32(f, 16);
    put16(f, 1); // PCM
    put16(f, 2);
    put32(f, rate);
    put32(f, rate * bytesPerFrame);
    put16(f, bytesPerFrame);
    put16(f, 16);
    std::fwrite("data", 1, 4, f);
    put32(f, data);
    for (std::uint32_t i = 0; i < data / 2; ++i)
        put16(f, 0x1122);
    const bool ok = std::fflush(f) == 0 && ::ftruncate(fileno(f), 64 << 20) == 0;
    std::fclose(f);
    return ok ? path : std::string();
}

void wav_zero_tail_open_ms(benchmark::State& state) {
    setenv("VEXO_AUDIO", "null", 1);
    const std::string path = zeroTailedWav();
    VexoEngine engine;
    engine.openOutput(44100);
    for (auto _ : state) {
        const StreamHandle h = engine.Create(path);
        if (h == 0) state.SkipWithError("the file did not open");
        engine.ChannelFree(h);
    }
}
BENCHMARK(wav_zero_tail_open_ms)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
