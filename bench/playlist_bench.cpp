// Playlist figures: loading and saving a 100,000-row M3U, walking 20,000 files
// in nested folders, and a row's title and duration from a warm cache.
#include "FakeEngine.h"
#include "M3uWriter.h"
#include "PlaylistAdder.h"
#include "PlaylistModel.h"
#include "TrackInfoCache.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <sys/stat.h>

namespace {

constexpr int kPlaylistRows = 100000;
constexpr int kTopFolders = 20, kSubFolders = 10, kFilesPerFolder = 100; // 20,000 files

// Fixture files, made once per process and removed at exit.
struct Fixture {
    QTemporaryDir dir;
    QByteArray root = QFile::encodeName(dir.path()) + '/';
    QByteArray m3u = root + "big.m3u";
    QByteArray tree = root + "tree";
    std::vector<QByteArray> files;

    Fixture() {
        QByteArray text = "#EXTM3U\r\n";
        for (int i = 0; i < kPlaylistRows; ++i)
            text += "#EXTINF:206,\r\n/home/user/Music/Some Artist/Some Album/" + QByteArray::number(i) +
                    " - A Track Title.mp3\r\n";
        write(m3u, text);

        ::mkdir(tree.constData(), 0755);
        for (int a = 0; a < kTopFolders; ++a) {
            const QByteArray top = tree + "/Artist " + QByteArray::number(a);
            ::mkdir(top.constData(), 0755);
            for (int b = 0; b < kSubFolders; ++b) {
                const QByteArray sub = top + "/Album " + QByteArray::number(b);
                ::mkdir(sub.constData(), 0755);
                for (int c = 0; c < kFilesPerFolder; ++c) {
                    files.push_back(sub + "/" + QByteArray::number(c) + " Track.mp3");
                    write(files.back(), {});
                }
            }
        }
    }

    static void write(const QByteArray& path, const QByteArray& bytes) {
        if (FILE* f = std::fopen(path.constData(), "wb")) {
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f);
            std::fclose(f);
        }
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void m3u_load_100k_ms(benchmark::State& state) {
    const QByteArray path = fixture().m3u;
    for (auto _ : state) {
        PlaylistModel model;
        if (!PlaylistAdder(model).LoadPlaylist(path).ok() || model.count() != kPlaylistRows)
            state.SkipWithError("the playlist did not load whole");
        benchmark::DoNotOptimize(model.count());
    }
}

void m3u_save_100k_ms(benchmark::State& state) {
    PlaylistModel model;
    if (!PlaylistAdder(model).LoadPlaylist(fixture().m3u).ok()) return state.SkipWithError("no playlist");
    const QByteArray out = fixture().root + "saved.m3u";
    for (auto _ : state)
        if (!SavePlaylist(out, model).ok()) return state.SkipWithError("the playlist was not saved");
}

void scan_20k_ms(benchmark::State& state) {
    const QByteArray tree = fixture().tree;
    { // warm the directory cache first: the figure is for a walk the system has seen
        PlaylistModel warm;
        (void)PlaylistAdder(warm).ScanFolder(tree, "*.*", true);
    }
    for (auto _ : state) {
        PlaylistModel model;
        (void)PlaylistAdder(model).ScanFolder(tree, "*.*", true);
        if (model.count() != kTopFolders * kSubFolders * kFilesPerFolder)
            state.SkipWithError("wrong file count");
    }
}

void row_info_warm_us(benchmark::State& state) {
    const std::vector<QByteArray>& files = fixture().files;
    FakeEngine engine;
    for (const QByteArray& f : files)
        engine.files[f.toStdString()] =
            FakeTrack{.artist = "Some Artist", .title = "A Track", .lengthSeconds = 206};
    TrackInfoCache cache(engine);
    for (const QByteArray& f : files) {
        cache.FittedTitle(f, 200);
        cache.Lookup(f);
    }
    size_t i = 0;
    for (auto _ : state) {
        const QByteArray& path = files[i++ % files.size()];
        benchmark::DoNotOptimize(cache.FittedTitle(path, 200).size());
        benchmark::DoNotOptimize(cache.Lookup(path).duration.size());
    }
}

} // namespace

BENCHMARK(m3u_load_100k_ms)->Unit(benchmark::kMillisecond);
BENCHMARK(m3u_save_100k_ms)->Unit(benchmark::kMillisecond);
BENCHMARK(scan_20k_ms)->Unit(benchmark::kMillisecond);
BENCHMARK(row_info_warm_us)->Unit(benchmark::kMicrosecond);
