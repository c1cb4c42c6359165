#pragma once
#include "TrackInfo.h"
#include "TrackInfoReader.h"

#include <QHashFunctions>
#include <QObject>

#include <cstdint>
#include <unordered_map>

class AudioEngine;

// Title and duration of files by path, for painting rows. A lookup never
// opens a file: a file not read yet shows its file name and no duration, is
// handed to a TrackInfoReader, and `ready` says when its title and duration
// can be painted. Entries are kept until the file changes on disk.
//
// An entry is checked against the disk (a stat: its modification and change
// times, size and inode) when it is looked up and was last checked more than
// recheckMs ago, so a repaint still shows what the disk holds, at most that
// long late: a file rewritten, retagged or replaced is read again (showing
// what it showed until then), and a file that disappears shows its file name
// and no duration without being read. A stat costs several microseconds on a
// loaded machine, more than a row's paint budget, hence the interval rather
// than one stat per lookup.
class TrackInfoCache : public QObject {
    Q_OBJECT

  public:
    explicit TrackInfoCache(AudioEngine& engine, int recheckMs = 1000);

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
    // Files looked up earlier have been read: a repaint shows their titles.
    void ready();

  private:
    // What identifies a file's contents without reading them. A missing file
    // has exists = false and zeros elsewhere.
    struct Stamp {
        bool exists = false;
        std::uint64_t device = 0, inode = 0;
        std::int64_t sizeBytes = 0, modifiedNs = 0, changedNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    struct Entry {
        Stamp stamp;
        TrackInfo info;
        std::int64_t checkedMs = 0; // steady-clock time of the last stat
        std::uint64_t ticket = 0;   // of the read this entry waits for; 0 none
        int fittedWidth = -1;       // width fittedTitle was cut for; -1 none yet
        QString fittedTitle;
    };
    struct PathHash {
        size_t operator()(const QByteArray& path) const { return qHash(path); }
    };

    static Stamp stampOf(const QByteArray& path);
    Entry& fresh(const QByteArray& path);
    void show(Entry& entry, TrackInfo info);
    void takeResults();

    int recheckMs_;
    std::uint64_t lastTicket_ = 0;
    std::unordered_map<QByteArray, Entry, PathHash> entries_;
    TrackInfoReader reader_; // last: its thread stops before the entries go
};
