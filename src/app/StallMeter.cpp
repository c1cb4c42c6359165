#include "StallMeter.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaEnum>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {
constexpr auto kPostEvery = std::chrono::milliseconds(2);
constexpr auto kNoteAfter = std::chrono::milliseconds(8);
constexpr std::int64_t kTellAtOnceMs = 50;
constexpr std::size_t kLongestKept = 5;
} // namespace

StallMeter::StallMeter() {
    if (!qEnvironmentVariableIsSet("VEXO_TRACE_STALLS")) return;
    clock_.start();
    QCoreApplication::instance()->installEventFilter(this);
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] { finish(); });
    watcher_ = std::thread([this] { watch(); });
}

StallMeter::~StallMeter() {
    finish();
}

bool StallMeter::eventFilter(QObject* watched, QEvent* event) {
    // The meter's own no-op would hide what ran before it.
    if (watched == this) return false;
    const QObject* parent = watched->parent();
    receiver_.store(watched->metaObject()->className(), std::memory_order_relaxed);
    owner_.store(parent ? parent->metaObject()->className() : "", std::memory_order_relaxed);
    eventType_.store(event->type(), std::memory_order_relaxed);
    return false;
}

void StallMeter::watch() {
    std::uint64_t posted = 0;
    std::unique_lock lock(lock_);
    while (!stopping_) {
        const std::uint64_t ticket = ++posted;
        const auto start = std::chrono::steady_clock::now();
        Stall stall{.fromMs = clock_.elapsed()};
        QMetaObject::invokeMethod(
            this,
            [this, ticket] {
                {
                    std::lock_guard answered(lock_);
                    answered_ = ticket;
                }
                answer_.notify_one();
            },
            Qt::QueuedConnection);
        const auto ran = [&] { return stopping_ || answered_ == ticket; };
        if (!answer_.wait_until(lock, start + kNoteAfter, ran)) {
            stall.receiver = receiver_.load(std::memory_order_relaxed);
            stall.owner = owner_.load(std::memory_order_relaxed);
            stall.eventType = eventType_.load(std::memory_order_relaxed);
            answer_.wait(lock, ran);
        }
        stall.ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count();
        // The first no-op waits for the event loop to start; that wait is start-up, not a stall.
        if (ticket > 1) record(stall);
        answer_.wait_for(lock, kPostEvery, [this] { return stopping_; });
    }
}

void StallMeter::record(const Stall& stall) {
    if (stall.ms >= kTellAtOnceMs) print("stall", stall);
    if (longest_.size() == kLongestKept && longest_.back().ms >= stall.ms) return;
    if (longest_.size() == kLongestKept) longest_.pop_back();
    longest_.insert(std::upper_bound(longest_.begin(), longest_.end(), stall,
                                     [](const Stall& a, const Stall& b) { return a.ms > b.ms; }),
                    stall);
}

void StallMeter::print(const char* label, const Stall& stall) {
    // One write per line: the log's other threads write to stderr too.
    char line[320];
    int used = snprintf(line, sizeof line, "%s %lld ms from %lld ms", label, static_cast<long long>(stall.ms),
                        static_cast<long long>(stall.fromMs));
    // A wait too short to be looked into has no note.
    if (*stall.receiver) {
        const char* type = QMetaEnum::fromType<QEvent::Type>().valueToKey(stall.eventType);
        used += snprintf(line + used, sizeof line - std::size_t(used), ": %s to %s%s%s",
                         type ? type : "event", stall.receiver, *stall.owner ? " of " : "", stall.owner);
    }
    fprintf(stderr, "%.*s\n", std::min(used, int(sizeof line) - 1), line);
}

void StallMeter::finish() {
    if (!watcher_.joinable()) return;
    {
        std::lock_guard lock(lock_);
        stopping_ = true;
    }
    answer_.notify_one();
    watcher_.join();
    QCoreApplication::instance()->removeEventFilter(this);
    fprintf(stderr, "stall-longest %lld\n",
            static_cast<long long>(longest_.empty() ? 0 : longest_.front().ms));
    for (const Stall& stall : longest_)
        print("stall-top", stall);
}
