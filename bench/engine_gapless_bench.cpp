// How exactly the engine joins the tracks of an album: one signal cut at sample positions no codec's
// frame divides into three files per format, played as a list to a recording at the files' own
// rate, against the uncut file decoded alone. Each sample missing, added or replaced by silence at
// a join counts.
#include "AudioFixtures.h"
#include "FileDecoders.h"
#include "VexoEngine.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

constexpr int kRate = 48000; // Opus's own
constexpr int kCuts[] = {0, 47917, 100308, 144000};

struct Format {
    const char* extension;
    const char* encode;
};
const Format kFormats[] = {
    {"mp3", "-c:a libmp3lame -b:a 192k"}, {"m4a", "-c:a aac -b:a 192k"}, {"ogg", "-c:a libvorbis -q:a 6"},
    {"opus", "-c:a libopus -b:a 192k"},   {"flac", "-c:a flac"},         {"wav", "-c:a pcm_s16le"},
};

// One stereo frame as the WAV output writes it: silent when both sides round to zero.
bool silent(const float* frame) {
    return std::lround(frame[0] * 32768.0f) == 0 && std::lround(frame[1] * 32768.0f) == 0;
}

struct Sound {
    long frames = 0;       // from the first sounding frame to the last
    long silentInside = 0; // frames in runs of silence between them, longer than noise makes
};

Sound measure(const std::vector<float>& stereo) {
    const long total = static_cast<long>(stereo.size() / 2);
    long first = 0, last = total - 1;
    while (first < total && silent(&stereo[2 * first]))
        ++first;
    while (last >= first && silent(&stereo[2 * last]))
        --last;
    Sound sound{last - first + 1, 0};
    long run = 0;
    for (long f = first; f <= last + 1; ++f) {
        if (f <= last && silent(&stereo[2 * f])) {
            ++run;
            continue;
        }
        if (run >= 4) sound.silentInside += run; // four silent frames in a row never come from noise
        run = 0;
    }
    return sound;
}

std::vector<float> decodeAlone(const std::string& path) {
    std::vector<float> all, piece(2 * 4096);
    auto decoder = openFileDecoder(path);
    if (!decoder || !decoder->start(kRate)) return all;
    for (int n; (n = decoder->read(piece.data(), 4096)) > 0;)
        all.insert(all.end(), piece.begin(), piece.begin() + 2 * n);
    return all;
}

// Plays the pieces as the player plays a list; what the output wrote, or empty.
std::vector<float> playAsList(const std::vector<std::string>& pieces, const std::string& recording,
                              bool& joined) {
    setenv("VEXO_AUDIO", ("wav:" + recording).c_str(), 1);
    joined = true;
    {
        VexoEngine engine;
        if (!engine.openOutput(kRate)) return {};
        std::atomic<int> ended{0};
        auto play = [&](StreamHandle h) {
            engine.notifyAtEnd(h, [&ended](EndReason) { ++ended; });
            return h;
        };
        StreamHandle playing = play(engine.Open(pieces[0]));
        engine.Play(playing);
        for (std::size_t i = 1; i < pieces.size(); ++i) {
            const int endsBefore = static_cast<int>(i) - 1;
            if (const StreamHandle next = engine.OpenFollower(playing, pieces[i])) {
                play(next);
                if (!waitFor([&] { return engine.tookOver(next); }, 10000)) return {};
                playing = next;
                continue;
            }
            // No joining: the next starts on the end sync, as the player started it before.
            joined = false;
            if (!waitFor([&] { return ended.load() > endsBefore; }, 10000)) return {};
            playing = play(engine.Open(pieces[i]));
            engine.Play(playing);
        }
        if (!waitFor([&] { return ended.load() >= static_cast<int>(pieces.size()); }, 10000)) return {};
        std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the last block reaches the file
        engine.closeOutput();
    }
    return readWav(recording).samples;
}

} // namespace

static void gapless_join_error_samples(benchmark::State& state) {
    for (auto _ : state) {
        long total = 0;
        for (const Format& f : kFormats) {
            std::vector<std::string> pieces;
            const std::string source =
                makeAudio("source.wav", "-f lavfi -i anoisesrc=r=48000:a=0.3:d=3:seed=11 "
                                        "-ac 2 -c:a pcm_s16le");
            auto cut = [&](const std::string& name, int first, int end) {
                return makeAudio(name + "." + f.extension,
                                 "-i " + source + " -af atrim=start_sample=" + std::to_string(first) +
                                     ":end_sample=" + std::to_string(end) + ",asetpts=PTS-STARTPTS " +
                                     f.encode);
            };
            for (int i = 0; i < 3; ++i)
                pieces.push_back(cut("piece" + std::to_string(i), kCuts[i], kCuts[i + 1]));
            const std::string uncut = cut("uncut", 0, kCuts[3]);
            if (source.empty() || uncut.empty() || pieces.back().empty())
                return state.SkipWithError("ffmpeg could not make the fixtures");

            bool joined = false;
            const std::vector<float> recorded =
                playAsList(pieces, fixtureFolder() + "/list-" + f.extension + ".wav", joined);
            if (recorded.empty()) return state.SkipWithError("the list did not play to its end");
            const Sound list = measure(recorded), alone = measure(decodeAlone(uncut));
            const long error = std::labs(list.frames - list.silentInside - alone.frames) + list.silentInside;
            std::fprintf(stderr,
                         "gapless %s: %ld samples wrong; %ld frames of sound for %ld uncut, %ld of them "
                         "silence inside; %s\n",
                         f.extension, error, list.frames, alone.frames, list.silentInside,
                         joined ? "joined by the engine" : "each next started on the end sync");
            total += error;
        }
        state.counters["figure"] = static_cast<double>(total);
    }
}
// One run: the figure is a count that does not vary from run to run as timings do.
BENCHMARK(gapless_join_error_samples)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond);
