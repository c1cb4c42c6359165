#pragma once
// A file as the native decoders read it. It is opened without blocking and kept only when it is
// a regular file: a named pipe with no writer would hold open() for ever, and a device or a pipe
// never ends. Opening it once, rather than by name in each library, leaves no moment in which the
// name could be swapped for a pipe.
//
// Until the deadline is lifted, every read and seek past it fails, and the file stays marked as
// timed out: the caller may be the window's thread.

#include "Decoder.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class GuardedFile {
  public:
    static std::unique_ptr<GuardedFile> open(const std::string& path);
    ~GuardedFile();
    GuardedFile(const GuardedFile&) = delete;
    GuardedFile& operator=(const GuardedFile&) = delete;

    void setDeadline(Decoder::Deadline deadline) { deadline_ = deadline; }
    bool timedOut() const { return timedOut_; }
    // True, and timed out for good, once the deadline has passed.
    bool pastDeadline();
    std::int64_t size() const { return size_; }
    // From now on the file reads as if it ended at `end` (when that is before its real end).
    void endAt(std::int64_t end);
    // Bytes read (0 at the end), or -1 on an error or past the deadline.
    std::int64_t read(void* buffer, std::size_t bytes);
    // The new offset, or -1; whence as for lseek.
    std::int64_t seek(std::int64_t offset, int whence);
    std::int64_t tell() const;
    // Reads exactly `bytes` at `offset` without moving the read position; false when short.
    bool readAt(std::int64_t offset, void* buffer, std::size_t bytes);

  private:
    GuardedFile(int fd, std::int64_t size) : fd_(fd), size_(size) {}

    int fd_;
    std::int64_t size_;
    Decoder::Deadline deadline_ = Decoder::Deadline::max();
    bool timedOut_ = false;
    bool cut_ = false; // endAt() made size_ smaller than the file
};
