#include "FileErrorText.h"

#include <QFile>

#include <cstring>

namespace {
QString ReasonText(int reason) {
    if (reason == kNotRegularFile) return QStringLiteral("Not a regular file");
    if (reason == kNameHasLineBreak) return QStringLiteral("A playlist cannot hold a name with a line break");
    return QString::fromLocal8Bit(std::strerror(reason));
}
} // namespace

QString FileErrorText(const FileError& error) {
    const char* verb = error.step == FileError::Step::Open ? "Cannot open file" : "Cannot create file";
    return QString::fromLatin1(verb) + " \"" + QFile::decodeName(error.path) + "\". " +
           ReasonText(error.reason);
}

QString FileErrorText(const FileResult& result) {
    return result.ok() ? QString() : FileErrorText(result.error());
}
