#include "CellText.h"
#include "CommandLinePaths.h"
#include "DisplayScale.h"
#include "EngineFactory.h"
#include "HomeFolder.h"
#include "PlatformChoice.h"
#include "Player.h"
#include "SingleInstance.h"
#include "StartWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>

#include <cstdio>

namespace {
// With VEXO_TRACE_STARTUP set, the moments of start-up go to stderr as "NAME MS" (milliseconds of a
// steady clock), for the benchmark that times the hand-over from the start window.
class StartupTrace : public QObject {
  public:
    StartupTrace() : enabled_(qEnvironmentVariableIsSet("VEXO_TRACE_STARTUP")) { clock_.start(); }
    void mark(const char* name) const {
        if (enabled_) fprintf(stderr, "%s %lld\n", name, static_cast<long long>(clock_.elapsed()));
    }
    // Marks name once, when window is first exposed on the screen.
    void markExposed(QWindow* window, const char* name) {
        if (!enabled_ || !window) return;
        exposedName_ = name;
        window->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            mark(exposedName_);
            watched->removeEventFilter(this);
        }
        return false;
    }

  private:
    bool enabled_;
    QElapsedTimer clock_;
    const char* exposedName_ = "";
};

void LoadPlugins(AudioEngine& engine) {
    const QDir plugins(PluginsFolder());
    const QStringList files = plugins.entryList({"*.so"}, QDir::Files, QDir::Name);
    for (const QString& file : files)
        engine.loadPlugin(QFile::encodeName(plugins.filePath(file)).toStdString());
}
} // namespace

int main(int argc, char** argv) {
    SetUpPlatform(argc, argv);
    SetUpScale();
    // The toolkit keeps its X shared memory for its own paints. The boxes that change many times a
    // second do not take that way (see BoxPresenter), and with them gone from it, switching the
    // toolkit's shared memory off measured no gain (bench/player_bench.sh while playing, runs taken
    // in turn on one loaded machine: 1.25 % of a core with it, 1.33 % without).
    QApplication app(argc, argv);
    QApplication::setApplicationName("vexo-mp");
    // The window system shows exactly this as the title, with nothing appended.
    QApplication::setApplicationDisplayName("Vexo MP");
    // Lets a Wayland compositor and the desktop's portals match our windows to the menu entry.
    QGuiApplication::setDesktopFileName("vexo-mp");
    QApplication::setQuitOnLastWindowClosed(false);
    StartupTrace trace;
    const QString home = HomeFolder();
    // argv as given (QApplication took its own options out): file names are bytes, and paths
    // handed to a running player must not depend on this process's working folder.
    QByteArrayList given;
    for (int i = 1; i < argc; ++i)
        given.append(QByteArray(argv[i]));
    const QByteArrayList arguments = AbsolutePaths(given, WorkingFolder());

    const int titleFontId = RegisterSkinFonts(DataFolder());

    std::unique_ptr<AudioEngine> engine = MakeEngine();
    if (engine->deviceCount() == 0) {
        QMessageBox::warning(nullptr, QStringLiteral("Vexo MP"),
                             QStringLiteral("Звуковое устройство не найдено!"));
        return 1;
    }
    engine->openOutput(44100);
    engine->setDecodeAhead(1000);

    Player player(*engine, home);
    player.titleFontId = titleFontId;
    LoadPlugins(*engine);
    player.trimSoon();

    SingleInstance instance(home);
    switch (instance.claim()) {
    case SingleInstance::Claim::First:
        break;
    case SingleInstance::Claim::Another:
        // A player runs already: it takes our paths, and we end without writing anything.
        if (arguments.isEmpty() || SingleInstance::sendPaths(home, arguments)) {
            engine->closeOutput();
            return 0;
        }
        // It did not answer: play the paths here rather than lose them.
        fprintf(stderr, "vexo-mp: the running player did not take the paths; starting another\n");
        break;
    case SingleInstance::Claim::Failed:
        fprintf(stderr, "vexo-mp: %s; starting without handing over to a running player\n",
                qPrintable(instance.failure()));
        break;
    }
    player.addPaths(arguments);
    const bool loadDefaultPlaylist = arguments.isEmpty();
    QObject::connect(&instance, &SingleInstance::pathsReceived, &player, &Player::queuePaths);
    QObject::connect(&player, &Player::shutDownFinished, &app, &QApplication::quit, Qt::QueuedConnection);

    const StartChecks checks = PrepareHomeFolder(home);
    if (!checks.dataFolderReady)
        QMessageBox::critical(nullptr, QStringLiteral("Vexo MP"),
                              QStringLiteral("Input/output error: cannot create \"%1\".").arg(DataFolder()));
    else if (!checks.pluginsFound)
        QMessageBox::information(nullptr, QStringLiteral("Vexo MP"), PluginsMissingText());

    auto* start = new StartWindow(checks.dataFolderReady ? checks.versionText : QStringLiteral("v 2.03"));
    start->show();
    // The start window stays for its two seconds on a timer: the event loop sleeps meanwhile.
    QTimer::singleShot(StartWindow::kShowMs, start, [&player, &trace, start, loadDefaultPlaylist] {
        if (loadDefaultPlaylist) player.loadDefaultPlaylist();
        start->close();
        start->deleteLater();
        trace.mark("startwindow-closed");
        player.window().winId(); // creates the native window so its first exposure can be seen
        trace.markExposed(player.window().windowHandle(), "mainwindow-shown");
        player.window().show();
        player.trimSoon();
    });
    return app.exec();
}
