#include "HomeFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

QString ResolveHomeFolder(const QString& vexoHome, const QString& executableFolder, const QString& xdgDataHome,
                          const QString& userHome) {
    if (!vexoHome.isEmpty()) return QDir::cleanPath(QDir(vexoHome).absolutePath());
    // access() asks the kernel, so read-only mounts and ACLs are honoured.
    if (!executableFolder.isEmpty() && ::access(QFile::encodeName(executableFolder).constData(), W_OK) == 0)
        return QDir::cleanPath(executableFolder);
    const QString data = xdgDataHome.isEmpty() ? userHome + "/.local/share" : xdgDataHome;
    return QDir::cleanPath(data + "/vexo-mp");
}

QString HomeFolder() {
    static const QString home = ResolveHomeFolder(qEnvironmentVariable("VEXO_HOME"),
                                                   QCoreApplication::applicationDirPath(),
                                                   qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
    return home;
}

QString DataFolder() { return HomeFolder() + "/Data"; }
QString PluginsFolder() { return HomeFolder() + "/Plugins"; }
