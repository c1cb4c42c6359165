#include "CommandLine.h"
#include "CommandLinePaths.h"
#include "DisplayCheck.h"
#include "DisplayScale.h"
#include "EngineFactory.h"
#include "HomeFolder.h"
#include "Log.h"
#include "PlatformChoice.h"
#include "Player.h"
#include "SingleInstance.h"
#include "SkinFonts.h"
#include "StallMeter.h"
#include "StartWindow.h"
#include "StartupTrace.h"
#include "TerminationSignals.h"
#include "ToolkitTranslation.h"
#include "Version.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <optional>
#include <vector>

// The start-up steps, in their order in main().
namespace {

void NameApplication(QApplication& app) {
    QApplication::setApplicationName("vexo-mp");
    // The window system shows exactly this as the title, with nothing appended.
    QApplication::setApplicationDisplayName("Vexo MP");
    // Lets a Wayland compositor and the desktop's portals match our windows to the menu entry.
    QGuiApplication::setDesktopFileName("vexo-mp");
    QApplication::setQuitOnLastWindowClosed(false);
    if (!LoadToolkitTranslation(app))
        LogWarning("the toolkit's Russian translation is not installed; dialogs speak English");
}

// The command line as given: file names are bytes.
CommandLine ReadCommandLine(int argc, char** argv) {
    QByteArrayList given;
    for (int i = 1; i < argc; ++i)
        given.append(QByteArray(argv[i]));
    return ParseCommandLine(given);
}

// What the application object is given: the program's name and the toolkit's own options, so that
// a path after "--" is never taken for one of them. The bytes live in `arguments`.
std::vector<char*> ToolkitArgv(const QByteArrayList& arguments) {
    std::vector<char*> argv;
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);
    return argv;
}

// Every box the player shows before its main window also goes to the log.
void Tell(QMessageBox::Icon icon, const QString& text) {
    LogWarning(text.toStdString());
    QMessageBox(icon, QStringLiteral("Vexo MP"), text).exec();
}

// A start that must not become the player says why.
int Refuse(const QString& why) {
    Tell(QMessageBox::Critical, why);
    return 1;
}

// Decides whether this process is the player of its home. Returns an exit status when it is not
// (its paths were handed to the running player, or they could not be), else nothing; `arguments`
// then holds the paths this player is to add.
std::optional<int> ClaimHome(SingleInstance& instance, QByteArrayList& arguments, bool play) {
    SingleInstance::Claim claim;
    while ((claim = instance.claim()) == SingleInstance::Claim::Another) {
        if (arguments.isEmpty()) return 0;
        // An empty path first asks the running player to play the first of the others.
        if (play && !arguments.first().isEmpty()) arguments.prepend(QByteArray());
        const SingleInstance::HandOff handOff = instance.handOver(arguments);
        if (handOff == SingleInstance::HandOff::Delivered) return 0;
        if (!arguments.isEmpty() && arguments.first().isEmpty()) arguments.removeFirst();
        // Never a second player writing the same files: the paths are named, not lost silently.
        if (handOff == SingleInstance::HandOff::Unreachable)
            return Refuse(QStringLiteral("Another Vexo MP uses this home folder, and %1. Not added: %2")
                              .arg(instance.failure(), QFile::decodeName(arguments.join(' '))));
    }
    if (claim == SingleInstance::Claim::Failed)
        return Refuse(QStringLiteral("Cannot tell whether another Vexo MP uses this home folder: %1")
                          .arg(instance.failure()));
    if (!instance.failure().isEmpty())
        LogWarning(instance.failure().toStdString() +
                   "; a later start will not hand its paths to this player");
    return std::nullopt;
}

// The engine with its output open, or null when there is no sound device (the user was told).
std::unique_ptr<AudioEngine> OpenSound() {
    std::unique_ptr<AudioEngine> engine = MakeEngine();
    if (engine->deviceCount() == 0) {
        Tell(QMessageBox::Warning, QStringLiteral("Звуковое устройство не найдено!"));
        return nullptr;
    }
    engine->openOutput(44100);
    engine->setDecodeAhead(1000);
    return engine;
}

// The plug-ins refused, each as "FILE: why", in the log as they are met.
QStringList LoadPlugins(AudioEngine& engine) {
    const QDir plugins(PluginsFolder());
    const QStringList files = plugins.entryList({"*.so"}, QDir::Files, QDir::Name);
    QStringList refused;
    for (const QString& file : files) {
        const QByteArray path = QFile::encodeName(plugins.filePath(file));
        if (const std::optional<std::string> why = engine.loadPlugin(path.toStdString())) {
            LogWarning("the plug-in " + path.toStdString() + " is refused: " + *why);
            refused.append(file + ": " + QString::fromStdString(*why));
        }
    }
    return refused;
}

// Whether the main window has shown, and whether the player is to end before it does.
struct StartState {
    bool mainWindowShown = false;
    bool endBeforeShowing = false;
};

// A logout or a signal closes the player as its close box does. Before the main window has shown,
// nothing of this session is applied that could be saved: writing then would put defaults over the
// user's settings, so the player only ends (also from inside a box of the start, whose event loop the
// exit ends without ending the start itself).
void CloseOnLogout(QApplication& app, Player& player, TerminationSignals& termination, StartState& state) {
    const auto closeAsTheCloseBox = [&player, &state] {
        if (state.mainWindowShown) {
            player.window().close();
        } else {
            state.endBeforeShowing = true;
            QCoreApplication::exit(0);
        }
    };
    QObject::connect(&termination, &TerminationSignals::received, &player, closeAsTheCloseBox);
#if QT_CONFIG(sessionmanager)
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &player, closeAsTheCloseBox);
#else
    Q_UNUSED(app);
#endif
}

// What the home folder lacks, once, before the start window.
void ReportHomeFolder(const StartChecks& checks, const QStringList& refusedPlugins) {
    if (!checks.dataFolderReady)
        Tell(QMessageBox::Critical,
             QStringLiteral("Input/output error: cannot create \"%1\".").arg(DataFolder()));
    else if (!checks.pluginsFound)
        Tell(QMessageBox::Information, PluginsMissingText());
    else if (!refusedPlugins.isEmpty())
        Tell(QMessageBox::Information, PluginsRefusedText(refusedPlugins));
}

// The start window stays for its two seconds on a timer (the event loop sleeps meanwhile), then
// the main window takes its place. A plain start with paths plays the list of those paths (added
// already); a --play start, a file opened from a file manager, keeps the last session's list, adds
// its paths after it and plays the first of them.
void ShowStartWindow(const StartChecks& checks, Player& player, StartupTrace& trace,
                     const QByteArrayList& paths, bool play, StartState& state) {
    auto* start =
        new StartWindow(checks.dataFolderReady ? checks.versionText : QStringLiteral("v " VEXO_VERSION));
    start->show();
    QTimer::singleShot(StartWindow::kShowMs, start, [&player, &trace, &state, start, paths, play] {
        if (paths.isEmpty() || play) player.loadDefaultPlaylist();
        const int firstAdded = player.playlist().count();
        if (play) player.addPaths(paths);
        start->close();
        start->deleteLater();
        trace.mark("startwindow-closed");
        player.window().winId(); // creates the native window so its first exposure can be seen
        trace.markExposed(player.window().windowHandle(), "mainwindow-shown");
        player.window().show();
        state.mainWindowShown = true;
        // Its settings are applied now, the volume among them.
        if (play) player.playRowIfAdded(firstAdded);
        player.trimSoon();
    });
}

} // namespace

int main(int argc, char** argv) {
    const CommandLine line = ReadCommandLine(argc, argv);
    switch (line.action) {
    case CommandLine::Action::Help:
        fputs(qPrintable(UsageText()), stdout);
        return 0;
    case CommandLine::Action::Version:
        printf("vexo-mp %s\n", VEXO_VERSION);
        return 0;
    case CommandLine::Action::Refuse:
        fprintf(stderr, "%s\n", qPrintable(line.error));
        return 2;
    case CommandLine::Action::Run:
        break;
    }
    const QByteArrayList toolkitArguments = QByteArrayList{QByteArray(argv[0])} + line.toolkitOptions;
    std::vector<char*> toolkitArgv = ToolkitArgv(toolkitArguments);
    int toolkitArgc = int(toolkitArguments.size());
    SetUpPlatform(toolkitArgc, toolkitArgv.data());
    SetUpScale();
    // The toolkit keeps its X shared memory for its own paints. The boxes that change many times a
    // second do not take that way (see BoxPresenter), and with them gone from it, switching the
    // toolkit's shared memory off measured no gain (bench/player_bench.sh while playing, runs taken
    // in turn on one loaded machine: 1.25 % of a core with it, 1.33 % without).
    std::optional<DisplayCheck> displayCheck(std::in_place);
    QApplication app(toolkitArgc, toolkitArgv.data());
    displayCheck.reset();
    NameApplication(app);
    StartupTrace trace;
    const StallMeter stallMeter;
    const QString home = HomeFolder();
    // Paths handed to a running player must not depend on this process's working folder.
    QByteArrayList arguments = AbsolutePaths(line.paths, WorkingFolder());

    // Before the sound output or a window: a start that only hands its paths over touches neither.
    SingleInstance instance(home);
    if (const std::optional<int> status = ClaimHome(instance, arguments, line.play)) return *status;

    const int titleFontId = RegisterSkinFonts(DataFolder());
    const std::unique_ptr<AudioEngine> engine = OpenSound();
    if (!engine) return 1;
    Player player(*engine, home);
    player.titleFontId = titleFontId;
    const QStringList refusedPlugins = LoadPlugins(*engine);
    player.trimSoon();

    if (!line.play) player.addPaths(arguments);
    QObject::connect(&instance, &SingleInstance::pathsReceived, &player, &Player::queuePaths);
    QObject::connect(&player, &Player::shuttingDown, &instance, &SingleInstance::stopListening);
    QObject::connect(&player, &Player::shutDownFinished, &app, &QApplication::quit, Qt::QueuedConnection);
    StartState state;
    TerminationSignals terminationSignals;
    CloseOnLogout(app, player, terminationSignals, state);

    const StartChecks checks = PrepareHomeFolder(home);
    ReportHomeFolder(checks, refusedPlugins);
    if (state.endBeforeShowing) return 0;
    ShowStartWindow(checks, player, trace, arguments, line.play, state);
    return app.exec();
}
