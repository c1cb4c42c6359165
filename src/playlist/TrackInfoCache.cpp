#include "TrackInfoCache.h"

#include "FitText.h"

#include <chrono>
#include <sys/stat.h>

TrackInfoCache::TrackInfoCache(AudioEngine& engine, int recheckMs)
    : recheckMs_(recheckMs),
      reader_(engine, [this] { QMetaObject::invokeMethod(this, [this] { takeResults(); }, Qt::QueuedConnection); }) {}

TrackInfoCache::Stamp TrackInfoCache::stampOf(const QByteArray& path) {
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

void TrackInfoCache::show(Entry& entry, TrackInfo info) {
    entry.info = std::move(info);
    entry.fittedWidth = -1;
    entry.fittedTitle.clear();
}

TrackInfoCache::Entry& TrackInfoCache::fresh(const QByteArray& path) {
    const std::int64_t nowMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count();
    auto [it, inserted] = entries_.try_emplace(path);
    Entry& entry = it->second;
    if (!inserted && nowMs - entry.checkedMs < recheckMs_) return entry;
    entry.checkedMs = nowMs;
    const Stamp now = stampOf(path);
    if (inserted || entry.stamp != now) {
        entry.stamp = now;
        if (now.exists) {
            // A new ticket makes any read still under way for the old contents stale.
            entry.ticket = ++lastTicket_;
            reader_.request(path, entry.ticket);
            if (inserted) show(entry, {FileNameTitle(path), {}});
        } else {
            entry.ticket = 0;
            show(entry, {FileNameTitle(path), {}});
        }
    }
    return entry;
}

void TrackInfoCache::takeResults() {
    bool shown = false;
    for (TrackInfoReader::Result& result : reader_.takeResults()) {
        auto it = entries_.find(result.path);
        if (it == entries_.end() || it->second.ticket != result.ticket) continue;
        it->second.ticket = 0;
        show(it->second, std::move(result.info));
        shown = true;
    }
    if (shown) emit ready();
}

const TrackInfo& TrackInfoCache::Lookup(const QByteArray& path) {
    return fresh(path).info;
}

const TrackInfo* TrackInfoCache::Known(const QByteArray& path) const {
    const auto it = entries_.find(path);
    return it == entries_.end() ? nullptr : &it->second.info;
}

const QString& TrackInfoCache::FittedTitle(const QByteArray& path, int maxWidth) {
    Entry& entry = fresh(path);
    if (entry.fittedWidth != maxWidth) {
        entry.fittedTitle = FitText(entry.info.title, maxWidth);
        entry.fittedWidth = maxWidth;
    }
    return entry.fittedTitle;
}
