#pragma once
#include "TrackInfo.h"

#include <QByteArray>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class AudioEngine;

// Reads titles and durations on a thread of its own, so that no file is ever
// opened for a paint on the window's thread: a damaged or huge file may take
// the engine up to its open limit, and a long playlist has thousands.
//
// The newest request is read first: it is the row the user looks at now.
// Results are collected and announced once per batch; the announcement runs
// on the reader's thread and must only post to the owner's thread.
class TrackInfoReader {
  public:
    struct Result {
        QByteArray path;
        std::uint64_t ticket = 0; // as given with the request
        TrackInfo info;
    };

    TrackInfoReader(AudioEngine& engine, std::function<void()> resultsWaiting);
    // Waits for the file being read, if any; requests not yet begun are dropped.
    ~TrackInfoReader();
    TrackInfoReader(const TrackInfoReader&) = delete;
    TrackInfoReader& operator=(const TrackInfoReader&) = delete;

    void request(const QByteArray& path, std::uint64_t ticket);
    // Everything read since the last call.
    std::vector<Result> takeResults();

  private:
    struct Request {
        QByteArray path;
        std::uint64_t ticket;
    };
    void run();

    AudioEngine& engine_;
    std::function<void()> resultsWaiting_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::vector<Request> requests_; // a stack: the back is read next
    std::vector<Result> results_;
    bool stopping_ = false;
    std::thread thread_; // last: starts once the rest is built
};
