#pragma once
#include <QString>

// The folder that holds Data/ and Plugins/: $VEXO_HOME when set; else the
// executable's folder when it is writable (a build tree, a portable copy);
// else $XDG_DATA_HOME/vexo-mp (default ~/.local/share/vexo-mp).
// Paths end without a slash.
QString HomeFolder();
QString DataFolder();
QString PluginsFolder();

// The rule itself, for tests: the executable's folder and the environment are inputs.
QString ResolveHomeFolder(const QString& vexoHome, const QString& executableFolder, const QString& xdgDataHome,
                          const QString& userHome);
