#pragma once
#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>

// A file that could not be read or written, with the message the windows show
// as it stands: Cannot open file "NAME". REASON
struct FileError {
    QString message;

    static FileError cannotOpen(const QByteArray& path, const QString& reason);
    static FileError cannotCreate(const QByteArray& path, const QString& reason);
    // The reason text of a failed system call, from its errno value (or kNotRegularFile).
    static QString reason(int errnoValue);
};

// What a file operation gives back: success, or the error to show the user.
class [[nodiscard]] FileResult {
  public:
    FileResult() = default; // success
    FileResult(FileError error) : error_(std::move(error)) {}

    bool ok() const { return !error_; }
    // Of a failure; empty on success.
    QString message() const { return error_ ? error_->message : QString(); }

  private:
    std::optional<FileError> error_;
};
