#include "GuardedFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::unique_ptr<GuardedFile> GuardedFile::open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<GuardedFile>(new GuardedFile(fd, st.st_size));
}

GuardedFile::~GuardedFile() {
    ::close(fd_);
}

bool GuardedFile::pastDeadline() {
    if (deadline_ != Decoder::Deadline::max() && std::chrono::steady_clock::now() > deadline_)
        timedOut_ = true;
    return timedOut_;
}

void GuardedFile::endAt(std::int64_t end) {
    if (end < 0 || end >= size_) return;
    size_ = end;
    cut_ = true;
}

std::int64_t GuardedFile::read(void* buffer, std::size_t bytes) {
    if (pastDeadline()) return -1;
    if (cut_) {
        const std::int64_t at = tell();
        if (at < 0) return -1;
        bytes = static_cast<std::size_t>(
            std::clamp<std::int64_t>(size_ - at, 0, static_cast<std::int64_t>(bytes)));
        if (bytes == 0) return 0;
    }
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, bytes);
        if (got >= 0) return got;
        if (errno != EINTR) return -1;
    }
}

std::int64_t GuardedFile::seek(std::int64_t offset, int whence) {
    if (pastDeadline()) return -1;
    if (cut_ && whence == SEEK_END) {
        offset += size_;
        whence = SEEK_SET;
    }
    return ::lseek(fd_, static_cast<off_t>(offset), whence);
}

std::int64_t GuardedFile::tell() const {
    return ::lseek(fd_, 0, SEEK_CUR);
}

bool GuardedFile::readAt(std::int64_t offset, void* buffer, std::size_t bytes) {
    if (pastDeadline()) return false;
    if (cut_ && (offset < 0 || static_cast<std::int64_t>(bytes) > size_ - offset)) return false;
    auto* out = static_cast<char*>(buffer);
    while (bytes > 0) {
        const ssize_t got = ::pread(fd_, out, bytes, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        out += got;
        offset += got;
        bytes -= static_cast<std::size_t>(got);
    }
    return true;
}
