#include "TrackInfoCache.h"

#include "FitText.h"

#include <algorithm>
#include <chrono>

namespace {
std::int64_t steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

TrackInfoCache::TrackInfoCache(AudioEngine& engine, int recheckMs, int retryMs)
    : recheckMs_(recheckMs), firstRetryMs_(retryMs), reader_(engine, [this] {
          QMetaObject::invokeMethod(
              this, [this] { takeResults(); }, Qt::QueuedConnection);
      }) {
    retryTimer_.setSingleShot(true);
    // Never early: a row repainted at the timer must find its wait over.
    retryTimer_.setTimerType(Qt::PreciseTimer);
    connect(&retryTimer_, &QTimer::timeout, this, &TrackInfoCache::retryDue);
}

void TrackInfoCache::show(Entry& entry, TrackInfo info) {
    entry.info = std::move(info);
    entry.fittedWidth = -1;
    entry.fittedTitle.clear();
}

TrackInfoCache::Entry& TrackInfoCache::fresh(const QByteArray& path) {
    const std::int64_t nowMs = steadyMs();
    auto [it, inserted] = entries_.try_emplace(path);
    Entry& entry = it->second;
    if (inserted) {
        show(entry, {FileNameTitle(path), {}});
    } else {
        // One look at a time per file: a disk that does not answer gets no pile of requests.
        if (entry.ticket != 0 || nowMs - entry.checkedMs < recheckMs_) return entry;
        if (!entry.stamp && nowMs < entry.retryAtMs) return entry;
    }
    entry.checkedMs = nowMs;
    entry.ticket = ++lastTicket_;
    // A read tried again waits behind the rows never read.
    reader_.request(path, entry.ticket, entry.stamp, !inserted && !entry.stamp);
    return entry;
}

void TrackInfoCache::retryLater(Entry& entry, std::int64_t nowMs) {
    entry.stamp.reset();
    entry.retryMs = entry.retryMs == 0 ? firstRetryMs_ : std::min(entry.retryMs * 2, kLongestRetryMs);
    entry.retryAtMs = nowMs + entry.retryMs;
    if (!retryTimer_.isActive() || retryTimer_.remainingTime() > entry.retryMs)
        retryTimer_.start(entry.retryMs);
}

void TrackInfoCache::retryDue() {
    const std::int64_t nowMs = steadyMs();
    std::int64_t next = 0;
    for (const auto& [path, entry] : entries_)
        if (!entry.stamp && entry.retryAtMs > nowMs && (next == 0 || entry.retryAtMs < next))
            next = entry.retryAtMs;
    if (next != 0) retryTimer_.start(int(next - nowMs));
    emit ready();
}

void TrackInfoCache::takeResults() {
    const std::int64_t nowMs = steadyMs();
    bool shown = false;
    for (TrackInfoReader::Result& result : reader_.takeResults()) {
        auto it = entries_.find(result.path);
        if (it == entries_.end() || it->second.ticket != result.ticket) continue;
        Entry& entry = it->second;
        entry.ticket = 0;
        entry.checkedMs = nowMs;
        if (!result.changed) continue;
        if (result.timedOut) {
            retryLater(entry, nowMs);
            continue;
        }
        entry.stamp = result.stamp;
        entry.retryMs = 0;
        show(entry, std::move(result.info));
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
