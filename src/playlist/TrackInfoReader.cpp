#include "TrackInfoReader.h"

#include <utility>

TrackInfoReader::TrackInfoReader(AudioEngine& engine, std::function<void()> resultsWaiting)
    : engine_(engine), resultsWaiting_(std::move(resultsWaiting)), thread_([this] { run(); }) {}

TrackInfoReader::~TrackInfoReader() {
    {
        std::lock_guard lock(lock_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void TrackInfoReader::request(const QByteArray& path, std::uint64_t ticket) {
    {
        std::lock_guard lock(lock_);
        requests_.push_back({path, ticket});
    }
    wake_.notify_one();
}

std::vector<TrackInfoReader::Result> TrackInfoReader::takeResults() {
    std::lock_guard lock(lock_);
    return std::exchange(results_, {});
}

void TrackInfoReader::run() {
    std::unique_lock lock(lock_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !requests_.empty(); });
        if (stopping_) return;
        Request next = std::move(requests_.back());
        requests_.pop_back();
        lock.unlock();
        TrackInfo info = ReadTrackInfo(engine_, next.path);
        lock.lock();
        const bool first = results_.empty();
        results_.push_back({std::move(next.path), next.ticket, std::move(info)});
        // One announcement per batch: the owner takes everything at once.
        if (first) {
            lock.unlock();
            resultsWaiting_();
            lock.lock();
        }
    }
}
