#include "CommandLinePaths.h"

#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace {

QByteArray absolutePath(const QByteArray& argument, const QByteArray& workingFolder) {
    const QByteArray joined = argument.startsWith('/') ? argument : workingFolder + '/' + argument;
    QByteArray path;
    for (const QByteArray& part : joined.split('/')) {
        if (part.isEmpty() || part == ".") continue;
        path += '/' + part;
    }
    return path.isEmpty() ? QByteArray("/") : path;
}

} // namespace

QByteArrayList AbsolutePaths(const QByteArrayList& arguments, const QByteArray& workingFolder) {
    QByteArrayList paths;
    for (const QByteArray& argument : arguments)
        if (!argument.isEmpty()) paths.append(absolutePath(argument, workingFolder));
    return paths;
}

QByteArray WorkingFolder() {
    std::unique_ptr<char, decltype(&free)> folder(::getcwd(nullptr, 0), &free);
    return folder ? QByteArray(folder.get()) : QByteArray("/");
}
