// One step of a colour slider, from the arrow key to the last window painted in the new colour:
// the main window with its playlist and the information window all open, as a user sees them
// while choosing a colour.
#include "ColourWindow.h"
#include "FakeEngine.h"
#include "Player.h"
#include "SkinFonts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QSlider>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <set>

namespace {
// The windows and parts repainted as a whole since the last clear: all of what shows of them apart
// from the other parts they hold (the main window holds the playlist part, which paints itself). A
// box that animates on its own repaints only itself, so it cannot pass for its window; the boxes of a
// window repainted as a whole are painted in the same pass, before the event loop comes back.
struct PaintedWindows : QObject {
    std::set<const QWidget*> parts;
    std::set<const QWidget*> windows;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || !parts.count(static_cast<QWidget*>(watched))) return false;
        const auto* widget = static_cast<QWidget*>(watched);
        QRegion whole(widget->rect());
        for (const QWidget* part : parts)
            if (part->parentWidget() == widget && part->isVisible()) whole -= part->geometry();
        if (static_cast<QPaintEvent*>(event)->rect() == whole.boundingRect()) windows.insert(widget);
        return false;
    }
};

struct OpenPlayer {
    QTemporaryDir home;
    FakeEngine engine;
    std::unique_ptr<Player> player;
    QWidget* info = nullptr;

    OpenPlayer() {
        RegisterSkinFonts(QString());
        QDir(home.path()).mkpath("Data");
        player = std::make_unique<Player>(engine, home.path());
        player->showError = [](const QString&) {};
        const QString file = home.filePath("song.mp3");
        QFile(file).open(QIODevice::WriteOnly);
        engine.files[file.toStdString()] =
            FakeTrack{.artist = "Artist", .title = "Song", .lengthSeconds = 300};
        player->addPaths({QFile::encodeName(file)});
        player->window().show();
        player->playlistWindow().show();
        player->window().pressButton(PressKind::Play).press({5, 5}, Qt::LeftButton);
        emit player->window().infoWindowRequested();
        emit player->window().colourWindowRequested();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->size() == QSize(322, 129)) info = w;
    }
    ~OpenPlayer() { player->shutdown(); }
};
} // namespace

static void colour_change_repaint_ms(benchmark::State& state) {
    OpenPlayer p;
    if (!p.info) {
        state.SkipWithError("the information window did not open");
        return;
    }
    const std::set<const QWidget*> all{&p.player->window(), &p.player->playlistWindow(), p.info};
    PaintedWindows painted;
    painted.parts = all;
    qApp->installEventFilter(&painted);
    QSlider& red = p.player->colourWindow().slider(ColourWindow::Red);
    const auto allPainted = [&] {
        for (const QWidget* w : all)
            if (!painted.windows.count(w)) return false;
        return true;
    };
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents(); // the first paints of every window
    bool up = true;
    for (auto _ : state) {
        painted.windows.clear();
        const auto start = std::chrono::steady_clock::now();
        QKeyEvent key(QEvent::KeyPress, up ? Qt::Key_Right : Qt::Key_Left, Qt::NoModifier);
        QApplication::sendEvent(&red, &key);
        while (!allPainted()) {
            QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
            // A window that never repaints is a fault to report, not a benchmark that never ends.
            if (std::chrono::steady_clock::now() - start > std::chrono::seconds(5)) {
                state.SkipWithError("a window was not repainted in the new colour within 5 s");
                break;
            }
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        up = !up;
    }
    qApp->removeEventFilter(&painted);
}
BENCHMARK(colour_change_repaint_ms)->Unit(benchmark::kMillisecond)->UseManualTime();
