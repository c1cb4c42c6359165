#pragma once
#include <QByteArray>

#include <optional>
#include <utility>

// Why a file failed, when it is no errno value: the file layer's own reasons.
// A path that names no regular file (a device, a pipe, a socket).
constexpr int kNotRegularFile = -1;
// A name that a file of one path per line cannot hold.
constexpr int kNameHasLineBreak = -2;

// A file that could not be read or written: which step failed, on which file, and why. Whoever
// shows it to the user words it.
struct FileError {
    enum class Step { Open, Create };

    Step step = Step::Open;
    QByteArray path;
    // An errno value, or one of the reasons above.
    int reason = 0;
};

// What a file operation gives back: success, or the error.
class [[nodiscard]] FileResult {
  public:
    FileResult() = default; // success
    FileResult(FileError error) : error_(std::move(error)) {}

    bool ok() const { return !error_; }
    // Of a failure only.
    const FileError& error() const { return *error_; }

  private:
    std::optional<FileError> error_;
};
