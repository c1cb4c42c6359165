// The work of the playback boxes at their timer rates: what one 40 ms tick of the seek bar and one
// repaint of the time, the volume bar and the equalizer curve cost on the GUI thread.
#include "FakeEngine.h"
#include "Playback.h"
#include "PlaybackBoxes.h"
#include "PlaylistModel.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
// One playing five-minute track, the fake engine standing in for the real one.
struct Playing {
    QTemporaryDir dir;
    FakeEngine engine;
    PlaylistModel playlist;
    Beat beat;
    Skin skin;
    Playback playback{engine, playlist, beat};
    PlaybackBoxes boxes{playback, engine, skin};

    Playing() {
        const QString path = dir.filePath("a.mp3");
        QFile(path).open(QIODevice::WriteOnly);
        engine.files[path.toStdString()] = FakeTrack{.lengthSeconds = 300};
        playlist.append({}, {}, QFile::encodeName(path));
        playback.setVolPos(104);
        playback.controller.PlayTrack(0);
        engine.position = engine.GetLength(playback.state.Channel) / 2; // half the bar is dotted
    }
};
} // namespace

static void seekbar_tick_us(benchmark::State& state) {
    Playing p;
    for (auto _ : state) {
        p.playback.controller.positionTick();
        benchmark::DoNotOptimize(p.boxes.seekBar.image().constBits());
    }
}
BENCHMARK(seekbar_tick_us)->Unit(benchmark::kMicrosecond);

static void time_text_paint_us(benchmark::State& state) {
    Playing p;
    int second = 0;
    for (auto _ : state) {
        p.engine.position = std::int64_t(++second % 300) * 44100 * 4; // a new text every paint
        benchmark::DoNotOptimize(p.boxes.time.image().constBits());
    }
}
BENCHMARK(time_text_paint_us)->Unit(benchmark::kMicrosecond);

static void eq_curve_paint_us(benchmark::State& state) {
    Playing p;
    int row = 0;
    for (auto _ : state) {
        p.playback.equalizer.setBand(5, ++row % 31); // a drag step: one band changes, the curve repaints
        benchmark::DoNotOptimize(p.boxes.curve.image().constBits());
    }
}
BENCHMARK(eq_curve_paint_us)->Unit(benchmark::kMicrosecond);
