#include "TrackInfoReader.h"

#include "AudioEngine.h"

#include <sys/stat.h>

#include <chrono>
#include <utility>

namespace {
// How long a closing player waits for a read under way: one of a file that answers at all is done
// by then, and the engine it reads through is still there.
constexpr auto kReadPatience = std::chrono::milliseconds(300);
} // namespace

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
    : shared_(std::make_shared<Shared>()) {
    shared_->resultsWaiting = std::move(resultsWaiting);
    std::thread([&engine, shared = shared_] { run(engine, shared); }).detach();
}

TrackInfoReader::~TrackInfoReader() {
    std::unique_lock lock(shared_->lock);
    shared_->stopping = true;
    shared_->requests.clear();
    shared_->wake.notify_one();
    shared_->idle.wait_for(lock, kReadPatience, [this] { return !shared_->reading; });
}

void TrackInfoReader::request(const QByteArray& path, std::uint64_t ticket, std::optional<FileStamp> known,
                              bool last) {
    {
        std::lock_guard lock(shared_->lock);
        if (last)
            shared_->requests.insert(shared_->requests.begin(), {path, ticket, known});
        else
            shared_->requests.push_back({path, ticket, known});
    }
    shared_->wake.notify_one();
}

std::vector<TrackInfoReader::Result> TrackInfoReader::takeResults() {
    std::lock_guard lock(shared_->lock);
    return std::exchange(shared_->results, {});
}

void TrackInfoReader::run(AudioEngine& engine, const std::shared_ptr<Shared>& shared) {
    std::unique_lock lock(shared->lock);
    for (;;) {
        shared->wake.wait(lock, [&] { return shared->stopping || !shared->requests.empty(); });
        if (shared->stopping) return;
        Request next = std::move(shared->requests.back());
        shared->requests.pop_back();
        shared->reading = true;
        lock.unlock();
        Result result = look(engine, next, *shared);
        lock.lock();
        shared->reading = false;
        shared->idle.notify_all();
        if (shared->stopping) return;
        const bool first = shared->results.empty();
        shared->results.push_back(std::move(result));
        // One announcement per batch: the owner takes everything at once. It is made under the
        // lock, so that none comes once the reader has gone.
        if (first) shared->resultsWaiting();
    }
}

TrackInfoReader::Result TrackInfoReader::look(AudioEngine& engine, const Request& request, Shared& shared) {
    Result result{.path = request.path, .ticket = request.ticket, .stamp = StampOf(request.path)};
    bool stopping = false;
    {
        // A stat that hung past the owner's patience must not reach for an engine that is gone.
        std::lock_guard lock(shared.lock);
        stopping = shared.stopping;
    }
    if (stopping || (request.known && *request.known == result.stamp)) {
        result.changed = false;
    } else if (!result.stamp.exists) {
        result.info = {FileNameTitle(request.path), {}};
    } else {
        FactsRead why = FactsRead::Read;
        result.info = ReadTrackInfo(engine, request.path, &why);
        result.timedOut = why == FactsRead::TimedOut;
    }
    return result;
}
