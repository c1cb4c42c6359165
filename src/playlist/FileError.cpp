#include "FileError.h"

#include "FileReplace.h"

#include <QFile>

#include <cstring>

namespace {
FileError make(const char* verb, const QByteArray& path, const QString& reason) {
    return {QString::fromLatin1(verb) + " \"" + QFile::decodeName(path) + "\". " + reason};
}
} // namespace

FileError FileError::cannotOpen(const QByteArray& path, const QString& reason) {
    return make("Cannot open file", path, reason);
}

FileError FileError::cannotCreate(const QByteArray& path, const QString& reason) {
    return make("Cannot create file", path, reason);
}

QString FileError::reason(int errnoValue) {
    if (errnoValue == kNotRegularFile) return QStringLiteral("Not a regular file");
    return QString::fromLocal8Bit(std::strerror(errnoValue));
}
