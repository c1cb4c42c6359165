#pragma once
#include <QString>

// The folder that holds Data/ and Plugins/: $VEXO_HOME when set; else the executable's folder
// when the executable sits in a build tree (each build keeps its own) or is a portable copy (a
// writable folder that is not an install prefix's bin/); else the per-user data folder
// $XDG_DATA_HOME/vexo-mp (default ~/.local/share/vexo-mp), as for an installed program.
// An installed program never writes beside itself, even when run by a user who could.
// Paths end without a slash.
QString HomeFolder();
QString DataFolder();
QString PluginsFolder();

// The rule itself, for tests: the executable's folder and the environment are inputs.
QString ResolveHomeFolder(const QString& vexoHome, const QString& executableFolder,
                          const QString& xdgDataHome, const QString& userHome);
