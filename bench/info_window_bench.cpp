// The information window from the user's middle-button release on the title to the window's first
// paint: the event through the title's box, the window's texts, the show and the paint.
#include "Equalizer.h"
#include "FakeEngine.h"
#include "HintWindow.h"
#include "InfoWindow.h"
#include "PaintBox.h"
#include "PlaybackController.h"
#include "PlaylistModel.h"
#include "Skin.h"
#include "SkinFonts.h"
#include "TitleTicker.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>

namespace {
// Counts the window's paint events; the one after a show is its first.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

struct Playing {
    QTemporaryDir dir;
    FakeEngine engine;
    PlaylistModel playlist;
    PlaybackState state;
    Beat beat;
    Skin skin{QColor(13, 90, 219)};
    Equalizer equalizer{engine, state};
    PlaybackController controller{engine, playlist, state, equalizer, beat};
    HintWindow hint{skin};
    TitleTicker ticker{skin};
    PaintBox tickerBox{ticker, hint, nullptr};
    InfoWindow window{engine, controller, skin};

    Playing() {
        RegisterSkinFonts(QString());
        const QString path = dir.filePath("a.mp3");
        QFile(path).open(QIODevice::WriteOnly);
        engine.files[path.toStdString()] = FakeTrack{
            .artist = "Artist", .title = "Title", .album = "Album", .genre = "Genre", .lengthSeconds = 300};
        playlist.append({}, {}, QFile::encodeName(path));
        controller.PlayTrack(0);
        QObject::connect(&ticker, &TitleTicker::infoRequested, &window, &InfoWindow::open);
    }
};
} // namespace

static void info_window_show_ms(benchmark::State& state) {
    Playing p;
    PaintCounter counter;
    p.window.installEventFilter(&counter);
    const QPointF at(100, 7);
    for (auto _ : state) {
        p.window.hide();
        QApplication::processEvents();
        const int before = counter.paints;
        const auto start = std::chrono::steady_clock::now();
        QMouseEvent release(QEvent::MouseButtonRelease, at, p.tickerBox.mapToGlobal(at), Qt::MiddleButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&p.tickerBox, &release);
        // The filter counts the paint as it passes to the window, so once processEvents returns
        // the window has drawn.
        while (counter.paints == before)
            QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}
BENCHMARK(info_window_show_ms)->Unit(benchmark::kMillisecond)->UseManualTime();
