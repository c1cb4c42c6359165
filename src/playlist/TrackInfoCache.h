#pragma once
#include "TrackInfo.h"
#include "TrackInfoReader.h"

#include <QHashFunctions>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <optional>
#include <unordered_map>

class AudioEngine;

// Title and duration of files by path, for painting rows. A lookup never touches the disk, not even
// by a stat: a file not read yet shows its file name and no duration, is handed to a
// TrackInfoReader, and `ready` says when its title and duration can be painted. Entries are kept
// until the file changes on disk.
//
// An entry looked up more than recheckMs after it was last checked is checked again against the
// disk on the reader's thread, so a repaint shows what the disk holds, at most that long plus a
// stat late: a file rewritten, retagged or replaced is read again (showing what it showed until
// then), and a file that disappears shows its file name and no duration without being read.
//
// A read that timed out (a disk that did not wake in time, a hung network mount) is not final: the
// row shows what it showed, and the file is read again at its first lookup after retryMs, then
// after twice as long each time it times out again, up to kLongestRetryMs. When such a wait ends,
// `ready` asks for a repaint, so rows in view are looked up (and read) again; rows out of view are
// read when they are shown again.
class TrackInfoCache : public QObject {
    Q_OBJECT

  public:
    static constexpr int kLongestRetryMs = 5 * 60 * 1000;

    explicit TrackInfoCache(AudioEngine& engine, int recheckMs = 1000, int retryMs = 30 * 1000);

    // The reference stays valid until clear (entries are never moved).
    const TrackInfo& Lookup(const QByteArray& path);
    // What the cache holds for the path, as it stands: no look at the disk and no read. Null for
    // a path never looked up.
    const TrackInfo* Known(const QByteArray& path) const;
    // FitText of the title for that width, kept with the entry.
    const QString& FittedTitle(const QByteArray& path, int maxWidth);

    void clear() { entries_.clear(); }
    size_t size() const { return entries_.size(); }

  signals:
    // Files looked up earlier have been read, or may be read again: a repaint shows their titles.
    void ready();

  private:
    struct Entry {
        // What the shown info was read from; none until a read learnt it (or after one timed out).
        std::optional<FileStamp> stamp;
        TrackInfo info;
        std::int64_t checkedMs = 0; // steady-clock time the disk was last asked about
        std::uint64_t ticket = 0;   // of the look this entry waits for; 0 none
        std::int64_t retryAtMs = 0; // after a timed-out read: when to read again
        int retryMs = 0;            // the wait before that, doubled at each time-out
        int fittedWidth = -1;       // width fittedTitle was cut for; -1 none yet
        QString fittedTitle;
    };
    struct PathHash {
        size_t operator()(const QByteArray& path) const { return qHash(path); }
    };

    Entry& fresh(const QByteArray& path);
    void show(Entry& entry, TrackInfo info);
    void takeResults();
    void retryLater(Entry& entry, std::int64_t nowMs);
    void retryDue();

    int recheckMs_;
    int firstRetryMs_;
    std::uint64_t lastTicket_ = 0;
    std::unordered_map<QByteArray, Entry, PathHash> entries_;
    QTimer retryTimer_;      // ends at the earliest retry
    TrackInfoReader reader_; // last: its thread stops before the entries go
};
