#include "PrivateFolder.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Empty when st is of this user and not a link; else why it is not ours.
QString ownerProblem(const struct stat& st) {
    if (S_ISLNK(st.st_mode)) return QStringLiteral("it is a symbolic link");
    if (st.st_uid != ::getuid()) return QStringLiteral("it belongs to user %1").arg(st.st_uid);
    return {};
}

// Empty when path is a folder (not a link) owned by this user with no access for anyone else.
QString folderProblem(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (const QString problem = ownerProblem(st); !problem.isEmpty()) return problem;
    if (!S_ISDIR(st.st_mode)) return QStringLiteral("it is not a folder");
    if (st.st_mode & (S_IRWXG | S_IRWXO))
        return QStringLiteral("others may use it (mode %1)").arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'));
    return {};
}

} // namespace

QString PrivateFolder(QString* failure) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && folderProblem(runtime).isEmpty())
        return QDir::cleanPath(runtime);
    const QString own = QDir::tempPath() + QStringLiteral("/vexo-mp-%1").arg(::getuid());
    // An existing one is checked below like a new one: someone else may have made it first.
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    const QString problem = folderProblem(own);
    if (problem.isEmpty()) return own;
    if (failure)
        *failure = QStringLiteral("the private folder \"%1\" cannot be trusted: %2").arg(own, problem);
    return {};
}

QString ForeignFileProblem(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return {};
    return ownerProblem(st);
}
