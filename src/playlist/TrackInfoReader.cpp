#include "TrackInfoReader.h"

#include "AudioEngine.h"

#include <sys/stat.h>
#include <utility>

FileStamp StampOf(const QByteArray& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(path.constData(), &st) != 0) return {};
    const auto ns = [](const timespec& t) { return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec; };
    // The change time catches taggers that restore the modification time.
    return {true,
            std::uint64_t(st.st_dev),
            std::uint64_t(st.st_ino),
            std::int64_t(st.st_size),
            ns(st.st_mtim),
            ns(st.st_ctim)};
}

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

void TrackInfoReader::request(const QByteArray& path, std::uint64_t ticket, std::optional<FileStamp> known,
                              bool last) {
    {
        std::lock_guard lock(lock_);
        if (last)
            requests_.insert(requests_.begin(), {path, ticket, known});
        else
            requests_.push_back({path, ticket, known});
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
        Result result = look(next);
        lock.lock();
        const bool first = results_.empty();
        results_.push_back(std::move(result));
        // One announcement per batch: the owner takes everything at once.
        if (first) {
            lock.unlock();
            resultsWaiting_();
            lock.lock();
        }
    }
}

TrackInfoReader::Result TrackInfoReader::look(const Request& request) {
    Result result{.path = request.path, .ticket = request.ticket, .stamp = StampOf(request.path)};
    if (request.known && *request.known == result.stamp) {
        result.changed = false;
    } else if (!result.stamp.exists) {
        result.info = {FileNameTitle(request.path), {}};
    } else {
        FactsRead why = FactsRead::Read;
        result.info = ReadTrackInfo(engine_, request.path, &why);
        result.timedOut = why == FactsRead::TimedOut;
    }
    return result;
}
