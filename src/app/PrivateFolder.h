#pragma once
#include <QString>

// The user's private folder for the single-instance lock and socket, where no other local user can
// plant, replace or read them: $XDG_RUNTIME_DIR when it is a real folder of this user that only this
// user may enter, else "vexo-mp-<uid>" in the temporary folder, made with mode 0700 and checked
// the same way. Empty, with the reason in *failure, when neither can be trusted.
QString PrivateFolder(QString* failure);

// Empty when path is absent or a file of this user that is not a link; else why it is not ours.
QString ForeignFileProblem(const QString& path);
