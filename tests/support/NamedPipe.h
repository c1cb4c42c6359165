#pragma once
// A named pipe with no writer, as a hostile folder may hold one under an audio
// or playlist name. Opening it for reading waits for a writer, so code that
// might do so is called through returnsWithoutWaiting(): should the call still
// be stuck after a generous bound, the pipe is opened for writing and closed,
// which lets the reader see the end, and the check fails instead of hanging.
#include <QByteArray>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

class NamedPipe {
  public:
    explicit NamedPipe(QByteArray path) : path_(std::move(path)) {
        made_ = ::mkfifo(path_.constData(), 0644) == 0;
    }
    ~NamedPipe() { ::unlink(path_.constData()); }
    NamedPipe(const NamedPipe&) = delete;
    NamedPipe& operator=(const NamedPipe&) = delete;

    bool made() const { return made_; }
    const QByteArray& path() const { return path_; }

    // True when call returned on its own; an exception it throws is passed on.
    template <class Call> bool returnsWithoutWaiting(Call&& call) const {
        std::future<void> done = std::async(std::launch::async, std::forward<Call>(call));
        if (done.wait_for(std::chrono::seconds(60)) == std::future_status::ready) {
            done.get();
            return true;
        }
        while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
            const int fd = ::open(path_.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) ::close(fd);
        }
        try {
            done.get();
        } catch (...) {
        }
        return false;
    }

  private:
    QByteArray path_;
    bool made_ = false;
};
