// Playlist window figures, measured on the real window shown off-screen, its list, its row painter
// and a track info cache over the real engine: a 100,000-row M3U loaded until the list first shows
// it, one scroll step, every row deleted with the keys, 10,000 rows dragged to the top, and a
// 20,000-file folder added through the window's own menu, with the longest time the event loop was
// kept from running meanwhile.
#include "FileDialogs.h"
#include "FolderScan.h"
#include "HintWindow.h"
#include "PlaylistAdder.h"
#include "PlaylistModel.h"
#include "PlaylistView.h"
#include "PlaylistWindow.h"
#include "Skin.h"
#include "TrackInfoCache.h"
#include "VexoEngine.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPlaylistRows = 100000;
constexpr int kWavFiles = 8;
constexpr int kTopFolders = 20, kSubFolders = 10, kFilesPerFolder = 100; // 20,000 files
constexpr int kFolderFiles = kTopFolders * kSubFolders * kFilesPerFolder;
// The window's height as designed: a list of 367 pixels, about 23 rows.
constexpr int kWindowHeight = 417;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void writeFile(const QByteArray& path, const QByteArray& bytes) {
    if (FILE* f = std::fopen(path.constData(), "wb")) {
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f);
        std::fclose(f);
    }
}

// Fixture files, made once per process and removed at exit.
struct Fixture {
    QTemporaryDir dir;
    QByteArray root = QFile::encodeName(dir.path()) + '/';
    QByteArray m3u = root + "big.m3u";
    QByteArray tree = root + "tree";
    bool ok = true;

    Fixture() {
        // Short tagged WAV files, so that titles and durations come from real files.
        ::mkdir((root + "wav").constData(), 0755);
        for (int k = 0; k < kWavFiles; ++k) {
            const std::string n = std::to_string(k + 1);
            const std::string command =
                "ffmpeg -loglevel error -y -f lavfi -i sine=f=" + std::to_string(300 + 50 * k) + ":d=" + n +
                ":r=8000 -metadata artist='Artist " + n + "' -metadata title='Song " + n + "' '" +
                wavPath(k).toStdString() + "'";
            ok = ok && std::system(command.c_str()) == 0;
        }
        // Entries are relative to the playlist's folder, as other players write them.
        QByteArray text = "#EXTM3U\n";
        for (int i = 0; i < kPlaylistRows; ++i) {
            const int k = i % kWavFiles;
            text += "#EXTINF:" + QByteArray::number(k + 1) + ",Artist - Song\nwav/" + QByteArray::number(k) +
                    ".wav\n";
        }
        writeFile(m3u, text);

        // Mixed audio extensions and a picture in every album, which the walk passes over.
        static const char* const extensions[] = {".mp3", ".flac", ".ogg", ".m4a", ".wav"};
        ::mkdir(tree.constData(), 0755);
        for (int a = 0; a < kTopFolders; ++a) {
            const QByteArray top = tree + "/Artist " + QByteArray::number(a);
            ::mkdir(top.constData(), 0755);
            for (int b = 0; b < kSubFolders; ++b) {
                const QByteArray album = top + "/Album " + QByteArray::number(b);
                ::mkdir(album.constData(), 0755);
                writeFile(album + "/folder.jpg", {});
                for (int c = 0; c < kFilesPerFolder; ++c)
                    writeFile(album + "/" + QByteArray::number(c) + " Track" + extensions[c % 5], {});
            }
        }
        // The figures are for a tree the system has seen: warm its directory cache.
        ScanFolderFiles(tree, "*.*", true, [](const QByteArray&) { return true; });
    }

    QByteArray wavPath(int k) const { return root + "wav/" + QByteArray::number(k) + ".wav"; }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// Titles and durations need no sound output: the engine is only asked to open files.
VexoEngine& engine() {
    static VexoEngine e;
    return e;
}

// A playlist window with everything it needs, shown off-screen at its designed height.
struct Playlist {
    PlaylistModel model;
    PlaylistAdder adder{model};
    TrackInfoCache cache{engine()};
    FileDialogs dialogs;
    Skin skin;
    HintWindow hint{skin};
    PlaylistWindow window{model, adder, cache, dialogs, skin, hint};
    PlaylistView& list = window.list();

    Playlist() {
        dialogs.run = [](QFileDialog&) { return QStringList(); };
        window.resize(PlaylistWindow::kWidth, kWindowHeight);
        window.show();
        settleAndPaint();
    }

    // Runs what the event loop has queued (the list lays its rows out on a posted timer, as it
    // would after any change), then paints the list at once: the figure ends with the rows drawn.
    void settleAndPaint() {
        QCoreApplication::processEvents();
        list.viewport()->repaint();
    }

    void load() {
        (void)adder.LoadPlaylist(fixture().m3u); // a short list is caught after the iteration
        settleAndPaint();
    }

    // The first screen's titles and durations come from the reader thread after the first paint,
    // which shows file names: waits for them and paints them. False when they did not come.
    bool paintTitles() {
        const auto allRead = [&] {
            for (int k = 0; k < kWavFiles; ++k)
                if (cache.Lookup(fixture().wavPath(k)).duration.isEmpty()) return false;
            return true;
        };
        const QDeadlineTimer deadline(30000);
        while (!allRead()) {
            if (deadline.hasExpired()) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        }
        list.viewport()->repaint();
        return true;
    }

    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers);
        QApplication::sendEvent(&list, &press);
        QApplication::sendEvent(&list, &release);
    }
};

// A check after an iteration; a failed one ends the run with its reason instead of a figure.
bool failed(benchmark::State& state, const char* fault) {
    if (fault) state.SkipWithError(fault);
    return fault != nullptr;
}

bool fixtureReady(benchmark::State& state) {
    if (fixture().ok) return true;
    state.SkipWithError("ffmpeg could not make the WAV files");
    return false;
}

void playlist_load_paint_100k_ms(benchmark::State& state) {
    if (!fixtureReady(state)) return;
    for (auto _ : state) {
        state.PauseTiming();
        auto p = std::make_unique<Playlist>();
        state.ResumeTiming();

        p->load();
        const bool titlesPainted = p->paintTitles();

        state.PauseTiming();
        // Every file of the first screen was read through the engine, and only those.
        const size_t filesRead = p->cache.size();
        const TrackInfo& first = p->cache.Lookup(fixture().wavPath(0));
        const char* fault = p->model.count() != kPlaylistRows ? "wrong row count"
                            : !titlesPainted || filesRead != size_t(kWavFiles) ||
                                    first.title != "Artist 1 - Song 1" || first.duration != "00:01"
                                ? "the first screen did not show the files' titles and durations"
                                : nullptr;
        p.reset();
        if (failed(state, fault)) break;
        state.ResumeTiming();
    }
}

void playlist_scroll_step_ms(benchmark::State& state) {
    if (!fixtureReady(state)) return;
    Playlist p;
    p.load();
    QScrollBar& bar = *p.list.verticalScrollBar();
    if (bar.maximum() < kPlaylistRows / 2) return state.SkipWithError("the list did not lay out its rows");
    for (auto _ : state) {
        const int next = bar.value() + bar.singleStep();
        bar.setValue(next > bar.maximum() ? 0 : next);
        p.list.viewport()->repaint();
    }
    if (bar.value() == 0) state.SkipWithError("the list did not scroll");
}

void playlist_delete_all_100k_ms(benchmark::State& state) {
    if (!fixtureReady(state)) return;
    for (auto _ : state) {
        state.PauseTiming();
        auto p = std::make_unique<Playlist>();
        p->load();
        p->list.setFocus();
        state.ResumeTiming();

        p->key(Qt::Key_A, Qt::ControlModifier);
        p->key(Qt::Key_Delete);
        p->settleAndPaint();

        state.PauseTiming();
        const bool empty = p->model.count() == 0 && p->list.verticalScrollBar()->maximum() == 0;
        p.reset();
        if (failed(state, empty ? nullptr : "the rows were not all deleted")) break;
        state.ResumeTiming();
    }
}

void playlist_move_10k_ms(benchmark::State& state) {
    if (!fixtureReady(state)) return;
    constexpr int kFirst = 50001, kMoved = 10000, kTarget = 3;
    for (auto _ : state) {
        state.PauseTiming();
        auto p = std::make_unique<Playlist>();
        p->load();
        // A click on the first row and a shift-click on the last select a block like this.
        p->list.selectionModel()->select(
            QItemSelection(p->model.index(kFirst), p->model.index(kFirst + kMoved - 1)),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        p->settleAndPaint();
        std::vector<QByteArray> expected;
        expected.reserve(kPlaylistRows);
        for (int i = 0; i < kTarget; ++i)
            expected.push_back(p->model.Row(i).Path);
        for (int i = kFirst; i < kFirst + kMoved; ++i)
            expected.push_back(p->model.Row(i).Path);
        for (int i = kTarget; i < kPlaylistRows; ++i)
            if (i < kFirst || i >= kFirst + kMoved) expected.push_back(p->model.Row(i).Path);
        const QPoint dropAt = p->list.visualRect(p->model.index(kTarget)).center();
        // The drag arrives as it would from the mouse: the drop goes to the widget that took the enter.
        std::unique_ptr<QMimeData> mime(p->list.rowsMimeData());
        QDragEnterEvent enter(dropAt, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(p->list.viewport(), &enter);
        QDragMoveEvent move(dropAt, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(p->list.viewport(), &move);
        state.ResumeTiming();

        QDropEvent drop(dropAt, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(p->list.viewport(), &drop);
        p->settleAndPaint();

        state.PauseTiming();
        bool moved = p->model.count() == kPlaylistRows && p->model.selectedIndex() < 0;
        for (int i = 0; moved && i < kPlaylistRows; ++i)
            moved = p->model.Row(i).Path == expected[size_t(i)];
        p.reset();
        if (failed(state, moved ? nullptr : "the rows did not move to the drop point")) break;
        state.ResumeTiming();
    }
}

struct FolderAdd {
    double elapsedMs = 0;
    double longestStallMs = 0;
    const char* fault = nullptr;
};

// "Добавить папку" from the Add menu, from the moment the folder dialog is answered until the last
// row is in the list, the list stands at its bottom and has been painted. A 5 ms timer ticks all
// along: a long gap between two ticks is a time the windows did not answer.
FolderAdd addFolderThroughMenu() {
    Playlist p;
    PlaylistWindow& window = p.window;
    window.execMenu = [&window](QMenu&, QPoint) { return window.menus().addFolder; };

    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(5);
    Clock::time_point start, lastTick;
    double longest = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, msSince(lastTick));
        lastTick = Clock::now();
    });
    p.dialogs.run = [&](QFileDialog&) {
        start = lastTick = Clock::now();
        ticker.start();
        return QStringList{QFile::decodeName(fixture().tree)};
    };

    QEventLoop loop;
    QObject::connect(&window, &PlaylistWindow::folderAdded, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, [&loop] { loop.exit(1); });
    ListButton& add = window.button(ListButtonKind::Add);
    add.press({10, 8}, Qt::LeftButton);
    add.release({10, 8}, Qt::LeftButton);
    const bool finished = window.scanning() ? loop.exec() == 0 : true;
    p.list.scrollToBottom();
    p.settleAndPaint();

    FolderAdd result{msSince(start), std::max(longest, msSince(lastTick))};
    ticker.stop();
    const QModelIndex last = p.model.index(p.model.count() - 1);
    if (!finished || p.model.count() != kFolderFiles)
        result.fault = "the folder did not arrive whole";
    else if (!p.list.viewport()->rect().intersects(p.list.visualRect(last)) || p.cache.size() == 0)
        result.fault = "the list was not painted at its bottom";
    return result;
}

void playlist_add_folder_20k_ms(benchmark::State& state) {
    fixture();
    for (auto _ : state) {
        const FolderAdd add = addFolderThroughMenu();
        if (failed(state, add.fault)) break;
        state.SetIterationTime(add.elapsedMs / 1000);
    }
}

void playlist_add_folder_longest_stall_ms(benchmark::State& state) {
    fixture();
    double longest = 0;
    for (auto _ : state) {
        const FolderAdd add = addFolderThroughMenu();
        if (failed(state, add.fault)) break;
        longest = std::max(longest, add.longestStallMs);
    }
    state.counters["figure"] = longest;
}

} // namespace

BENCHMARK(playlist_load_paint_100k_ms)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(playlist_scroll_step_ms)->Unit(benchmark::kMillisecond);
BENCHMARK(playlist_delete_all_100k_ms)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(playlist_move_10k_ms)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(playlist_add_folder_20k_ms)->Unit(benchmark::kMillisecond)->Iterations(2)->UseManualTime();
BENCHMARK(playlist_add_folder_longest_stall_ms)->Unit(benchmark::kMillisecond)->Iterations(2);
