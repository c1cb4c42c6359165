#pragma once
#include <QByteArrayList>
#include <QString>

// What a command line asks for. Our options and the toolkit's (-platform, -style and the like, with
// one dash or two) are told apart here, before the toolkit starts: --help and --version work
// without a display, and a file whose name starts with "-" can follow "--".
struct CommandLine {
    enum class Action { Run, Help, Version, Refuse };
    Action action = Action::Run;
    // --play: the first of the paths plays once added.
    bool play = false;
    QByteArrayList paths;
    // The toolkit's own options with their values, in their order, for the application object.
    QByteArrayList toolkitOptions;
    // For Refuse: the one line that says why.
    QString error;
};

// arguments: argv without the program's name.
CommandLine ParseCommandLine(const QByteArrayList& arguments);
QString UsageText();
