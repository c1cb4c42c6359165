#pragma once
#include <QByteArray>
#include <QString>

#include <stdexcept>

// A playlist file that cannot be read or written. The message is the one the
// windows show as it stands: Cannot open file "NAME". REASON
class FileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;

    static FileError CannotOpen(const QByteArray& path, const QString& reason);
    static FileError CannotCreate(const QByteArray& path, const QString& reason);
    // The reason text of a failed system call, from its errno value.
    static QString Reason(int errnoValue);
};
