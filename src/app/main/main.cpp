#include "CellText.h"
#include "CommandLinePaths.h"
#include "DisplayScale.h"
#include "EngineFactory.h"
#include "HomeFolder.h"
#include "PlatformChoice.h"
#include "Player.h"
#include "SingleInstance.h"
#include "StartWindow.h"
#include "TerminationSignals.h"
#include "ToolkitTranslation.h"
#include "Version.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <optional>

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

// A start that must not become the player says why, on standard error and in a box.
int Refuse(const QString& why) {
    fprintf(stderr, "vexo-mp: %s\n", qPrintable(why));
    QMessageBox::critical(nullptr, QStringLiteral("Vexo MP"), why);
    return 1;
}

// Decides whether this process is the player of its home. Returns an exit status when it is not
// (its paths were handed to the running player, or they could not be), else nothing; `arguments`
// then holds the paths this player is to add.
std::optional<int> ClaimHome(SingleInstance& instance, QByteArrayList& arguments) {
    SingleInstance::Claim claim;
    while ((claim = instance.claim()) == SingleInstance::Claim::Another) {
        if (arguments.isEmpty()) return 0;
        const SingleInstance::HandOff handOff = instance.handOver(arguments);
        if (handOff == SingleInstance::HandOff::Delivered) return 0;
        // Never a second player writing the same files: the paths are named, not lost silently.
        if (handOff == SingleInstance::HandOff::Unreachable)
            return Refuse(QStringLiteral("Another Vexo MP uses this home folder, and %1. Not added: %2")
                              .arg(instance.failure(), QFile::decodeName(arguments.join(' '))));
    }
    if (claim == SingleInstance::Claim::Failed)
        return Refuse(QStringLiteral("Cannot tell whether another Vexo MP uses this home folder: %1")
                          .arg(instance.failure()));
    if (!instance.failure().isEmpty())
        fprintf(stderr, "vexo-mp: %s; a later start will not hand its paths to this player\n",
                qPrintable(instance.failure()));
    return std::nullopt;
}

// The plug-ins refused, each as "FILE: why", once on standard error as they are met.
QStringList LoadPlugins(AudioEngine& engine) {
    const QDir plugins(PluginsFolder());
    const QStringList files = plugins.entryList({"*.so"}, QDir::Files, QDir::Name);
    QStringList refused;
    for (const QString& file : files) {
        const QByteArray path = QFile::encodeName(plugins.filePath(file));
        if (const std::optional<std::string> why = engine.loadPlugin(path.toStdString())) {
            fprintf(stderr, "vexo-mp: the plug-in %s is refused: %s\n", path.constData(), why->c_str());
            refused.append(file + ": " + QString::fromStdString(*why));
        }
    }
    return refused;
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
    if (!LoadToolkitTranslation(app))
        fprintf(stderr,
                "vexo-mp: the toolkit's Russian translation is not installed; dialogs speak English\n");
    StartupTrace trace;
    const QString home = HomeFolder();
    // argv as given (QApplication took its own options out): file names are bytes, and paths
    // handed to a running player must not depend on this process's working folder.
    QByteArrayList given;
    for (int i = 1; i < argc; ++i)
        given.append(QByteArray(argv[i]));
    QByteArrayList arguments = AbsolutePaths(given, WorkingFolder());

    // Before the sound output or a window: a start that only hands its paths over touches neither.
    SingleInstance instance(home);
    if (const std::optional<int> status = ClaimHome(instance, arguments)) return *status;

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
    const QStringList refusedPlugins = LoadPlugins(*engine);
    player.trimSoon();

    player.addPaths(arguments);
    const bool loadDefaultPlaylist = arguments.isEmpty();
    QObject::connect(&instance, &SingleInstance::pathsReceived, &player, &Player::queuePaths);
    QObject::connect(&player, &Player::shuttingDown, &instance, &SingleInstance::stopListening);
    QObject::connect(&player, &Player::shutDownFinished, &app, &QApplication::quit, Qt::QueuedConnection);

    // A logout or a signal closes the player as its close box does. Before the main window has
    // shown, nothing of this session is applied yet that could be saved: writing then would put
    // defaults over the user's settings, so the player only ends.
    bool mainWindowShown = false;
    const auto closeAsTheCloseBox = [&player, &mainWindowShown] {
        if (mainWindowShown)
            player.window().close();
        else
            QCoreApplication::exit(0);
    };
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, &player, closeAsTheCloseBox);
#if QT_CONFIG(sessionmanager)
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &player, closeAsTheCloseBox);
#endif

    const StartChecks checks = PrepareHomeFolder(home);
    if (!checks.dataFolderReady)
        QMessageBox::critical(nullptr, QStringLiteral("Vexo MP"),
                              QStringLiteral("Input/output error: cannot create \"%1\".").arg(DataFolder()));
    else if (!checks.pluginsFound)
        QMessageBox::information(nullptr, QStringLiteral("Vexo MP"), PluginsMissingText());
    else if (!refusedPlugins.isEmpty())
        QMessageBox::information(nullptr, QStringLiteral("Vexo MP"), PluginsRefusedText(refusedPlugins));

    auto* start =
        new StartWindow(checks.dataFolderReady ? checks.versionText : QStringLiteral("v " VEXO_VERSION));
    start->show();
    // The start window stays for its two seconds on a timer: the event loop sleeps meanwhile.
    QTimer::singleShot(
        StartWindow::kShowMs, start, [&player, &trace, &mainWindowShown, start, loadDefaultPlaylist] {
            if (loadDefaultPlaylist) player.loadDefaultPlaylist();
            start->close();
            start->deleteLater();
            trace.mark("startwindow-closed");
            player.window().winId(); // creates the native window so its first exposure can be seen
            trace.markExposed(player.window().windowHandle(), "mainwindow-shown");
            player.window().show();
            mainWindowShown = true;
            player.trimSoon();
        });
    return app.exec();
}
