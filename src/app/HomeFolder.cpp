#include "HomeFolder.h"

#include "ProgramPlace.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool InBuildTree(const QString& executableFolder) {
    return !executableFolder.isEmpty() &&
           !BuildTreeTop(QFile::encodeName(executableFolder).toStdString()).empty();
}

// Installed under a prefix: the module sits in ../lib/vexo-mp. Such a program never writes beside
// itself, even when its user could (root may write into /usr/bin).
bool Installed(const QString& executableFolder) {
    return QFileInfo(executableFolder + "/../lib/vexo-mp").isDir();
}

} // namespace

QString ResolveHomeFolder(const QString& vexoHome, const QString& executableFolder,
                          const QString& xdgDataHome, const QString& userHome) {
    if (!vexoHome.isEmpty()) return QDir::cleanPath(QDir(vexoHome).absolutePath());
    if (InBuildTree(executableFolder)) return QDir::cleanPath(executableFolder);
    // A portable copy unpacked into a folder of its own keeps its files with it.
    if (!executableFolder.isEmpty() && !Installed(executableFolder) && QFileInfo(executableFolder).isWritable())
        return QDir::cleanPath(executableFolder);
    // A relative $XDG_DATA_HOME is invalid and must be ignored.
    const QString data = QDir::isAbsolutePath(xdgDataHome) ? xdgDataHome : userHome + "/.local/share";
    return QDir::cleanPath(data + "/vexo-mp");
}

QString HomeFolder() {
    static const QString home = [] {
        const QString vexoHome = qEnvironmentVariable("VEXO_HOME");
        // The program's own place, so the home is known before the application object exists.
        const QString executableFolder = QFile::decodeName(RunningProgramFolder().c_str());
        const QString folder = ResolveHomeFolder(vexoHome, executableFolder,
                                                 qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
        // A build tree gets its Plugins folder from the build and a chosen home from its user; the
        // per-user home of an installed program has no one to make it, so its first start does.
        if (vexoHome.isEmpty() && folder != QDir::cleanPath(executableFolder) && !QFileInfo::exists(folder))
            QDir().mkpath(folder + "/Plugins");
        return folder;
    }();
    return home;
}

QString DataFolder() {
    return HomeFolder() + "/Data";
}
QString PluginsFolder() {
    return HomeFolder() + "/Plugins";
}
