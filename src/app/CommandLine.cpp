#include "CommandLine.h"

#include "Version.h"

namespace {

// The toolkit's options that take a value, and those that stand alone.
const QByteArrayList kToolkitWithValue = {
    "platform",     "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "qwindowicon",  "qwindowtitle",       "session",       "style",  "stylesheet",
    "display",      "geometry",           "name",          "title",  "visual",
    "qmljsdebugger"};
const QByteArrayList kToolkitAlone = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

} // namespace

CommandLine ParseCommandLine(const QByteArrayList& arguments) {
    CommandLine line;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QByteArray& argument = arguments[i];
        if (optionsEnded || !argument.startsWith('-') || argument == "-") {
            line.paths.append(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            line.action = CommandLine::Action::Help;
            return line;
        } else if (argument == "--version") {
            line.action = CommandLine::Action::Version;
            return line;
        } else if (argument == "--play") {
            line.play = true;
        } else {
            const QByteArray name = argument.mid(argument.startsWith("--") ? 2 : 1);
            if (kToolkitAlone.contains(name)) {
                line.toolkitOptions.append(argument);
            } else if (kToolkitWithValue.contains(name) && i + 1 < arguments.size()) {
                line.toolkitOptions << argument << arguments[++i];
            } else {
                line.action = CommandLine::Action::Refuse;
                line.error =
                    QStringLiteral("vexo-mp: unknown option \"%1\" (vexo-mp --help lists the options; "
                                   "\"--\" before a file whose name starts with \"-\")")
                        .arg(QString::fromLocal8Bit(argument));
                return line;
            }
        }
    }
    return line;
}

QString UsageText() {
    return QStringLiteral(
        "Usage: vexo-mp [--play] [--] [FILE, FOLDER or PLAYLIST.m3u ...]\n"
        "A compact, skinned audio player. The paths are added to the playlist; when another\n"
        "Vexo MP of the same home folder runs, they are handed to it and this start ends.\n"
        "\n"
        "Options:\n"
        "  --play       add the paths to the last session's list and play the first of them\n"
        "               (in the running player, if any)\n"
        "  --help       print this text and end\n"
        "  --version    print the version and end\n"
        "  --           end the options: every argument after it is a path\n"
        "  -platform NAME and the toolkit's other options are passed to Qt.\n"
        "\n"
        "Environment:\n"
        "  VEXO_HOME    the home folder (see Files)\n"
        "  VEXO_AUDIO   the sound output: auto (PulseAudio, else ALSA), pulse, alsa, null, wav:PATH\n"
        "  VEXO_LOG     debug: say more on standard error (warnings are always written)\n"
        "\n"
        "Files, in the home folder: $VEXO_HOME when set; else the program's own folder when it\n"
        "sits in a build tree or is a portable copy; else $XDG_DATA_HOME/vexo-mp\n"
        "(~/.local/share/vexo-mp):\n"
        "  Data/Options.ini   the settings\n"
        "  Data/Default.m3u   the playlist of the last run\n"
        "  Data/vexo-mp.lock  one player per home folder\n"
        "  Plugins/*.so       extra decoders\n");
}
