#pragma once
#include "TrackInfo.h"

#include <QByteArray>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class AudioEngine;

// What identifies a file's contents without reading them: its modification and change times, size
// and inode. A missing file has exists = false and zeros elsewhere.
struct FileStamp {
    bool exists = false;
    std::uint64_t device = 0, inode = 0;
    std::int64_t sizeBytes = 0, modifiedNs = 0, changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};
// A stat of the path: it may wait as long as the disk does.
FileStamp StampOf(const QByteArray& path);

// Reads titles and durations on a thread of its own, so that no file is ever looked at for a paint
// on the window's thread, not even by a stat: a sleeping disk or a hung network mount answers in
// seconds or never, a damaged or huge file may take the engine long to read, and a long playlist
// has thousands.
//
// A request may name the stamp its owner knows: when the file still has it, nothing is read. A
// missing file is not read either. The newest request is read first: it is the row the user looks
// at now. Results are collected and announced once per batch; the announcement runs on the
// reader's thread and must only post to the owner's thread.
class TrackInfoReader {
  public:
    struct Result {
        QByteArray path;
        std::uint64_t ticket = 0; // as given with the request
        FileStamp stamp;          // what the disk held when the file was looked at
        bool changed = true;      // false: the stamp was the one known, and info is empty
        bool timedOut = false;    // the read gave up waiting: info tells nothing, try again later
        TrackInfo info;
    };

    TrackInfoReader(AudioEngine& engine, std::function<void()> resultsWaiting);
    // Requests not yet begun are dropped. A read under way is given a moment to end; one that does
    // not (a hung mount may hold it for minutes) is left to end on its own, and its thread then
    // touches nothing of this reader or its owner.
    ~TrackInfoReader();
    TrackInfoReader(const TrackInfoReader&) = delete;
    TrackInfoReader& operator=(const TrackInfoReader&) = delete;

    // A later request goes before every earlier one, unless `last`: then after them all (a read
    // tried again must not hold up rows never read).
    void request(const QByteArray& path, std::uint64_t ticket, std::optional<FileStamp> known = std::nullopt,
                 bool last = false);
    // Everything read since the last call.
    std::vector<Result> takeResults();

  private:
    struct Request {
        QByteArray path;
        std::uint64_t ticket;
        std::optional<FileStamp> known;
    };
    // What the reader and its thread share: it outlives the reader while a read is under way.
    struct Shared {
        std::function<void()> resultsWaiting;
        std::mutex lock;
        std::condition_variable wake;
        std::condition_variable idle;
        bool reading = false;
        std::vector<Request> requests; // a stack: the back is read next
        std::vector<Result> results;
        bool stopping = false;
    };
    static void run(AudioEngine& engine, const std::shared_ptr<Shared>& shared);
    static Result look(AudioEngine& engine, const Request& request, Shared& shared);

    const std::shared_ptr<Shared> shared_;
};
