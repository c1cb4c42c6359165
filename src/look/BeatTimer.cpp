#include "BeatTimer.h"

#include <QAbstractEventDispatcher>
#include <QTimerEvent>

#include <glib.h>

#include <algorithm>
#include <vector>

namespace {

// Where the event loop is glib's (the toolkit's default on Linux), the beat is
// a glib source of its own, dispatched straight from the loop: a toolkit timer
// would also pass through the timer list, a timer event and the application's
// event handling, 50 times a second.
struct BeatSource {
    GSource base;
    void (*fire)();
};

constexpr gint64 kBeatUs = BeatTimer::kBeatMs * 1000;

gboolean dispatchBeat(GSource* source, GSourceFunc, gpointer) {
    // The next beat stays on the fixed schedule, so the title keeps 50 steps a second whatever
    // the wake-up latency; after a stall the schedule starts afresh instead of catching up.
    gint64 next = g_source_get_ready_time(source) + kBeatUs;
    const gint64 now = g_source_get_time(source);
    if (next <= now) next = now + kBeatUs;
    g_source_set_ready_time(source, next);
    reinterpret_cast<BeatSource*>(source)->fire();
    return G_SOURCE_CONTINUE;
}

GSourceFuncs beatFuncs = {nullptr, nullptr, dispatchBeat, nullptr, nullptr, nullptr};

bool loopIsGlib() {
    const QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance();
    return loop && loop->inherits("QEventDispatcherGlib");
}

} // namespace

// The one beat of the process: a 20 ms timer and the BeatTimers it drives.
class Beat : public QObject {
  public:
    static Beat& instance() {
        static Beat* beat = new Beat; // lives until the process ends, like the GUI thread
        return *beat;
    }

    void add(BeatTimer* t) {
        timers_.push_back(t);
        if (source_ || timerId_) return;
        if (loopIsGlib()) {
            source_ = g_source_new(&beatFuncs, sizeof(BeatSource));
            reinterpret_cast<BeatSource*>(source_)->fire = [] { instance().fire(); };
            g_source_set_ready_time(source_, g_get_monotonic_time() + kBeatUs);
            g_source_attach(source_, g_main_context_default());
        } else {
            timerId_ = startTimer(BeatTimer::kBeatMs, Qt::PreciseTimer);
        }
    }

    void remove(BeatTimer* t) {
        std::erase(timers_, t);
        if (!timers_.empty()) return;
        if (source_) {
            g_source_destroy(source_);
            g_source_unref(source_);
            source_ = nullptr;
        }
        if (timerId_) {
            killTimer(timerId_);
            timerId_ = 0;
        }
    }

  protected:
    void timerEvent(QTimerEvent* event) override {
        if (event->timerId() == timerId_) fire();
    }

  private:
    void fire() {
        // A timeout may start, stop or delete timers, so walk a copy and skip those no longer
        // here. The copy is a member so that the beat allocates nothing.
        due_.assign(timers_.begin(), timers_.end());
        for (BeatTimer* t : due_)
            if (std::find(timers_.begin(), timers_.end(), t) != timers_.end() && t->isActive()) t->beat();
    }

    GSource* source_ = nullptr;
    int timerId_ = 0;
    std::vector<BeatTimer*> timers_;
    std::vector<BeatTimer*> due_;
};

BeatTimer::BeatTimer(QObject* parent) : QObject(parent) {}

BeatTimer::~BeatTimer() {
    stop();
}

void BeatTimer::setInterval(int ms) {
    beats_ = std::max(1, (ms + kBeatMs / 2) / kBeatMs);
}

void BeatTimer::start() {
    count_ = 0;
    if (active_) return;
    active_ = true;
    Beat::instance().add(this);
}

void BeatTimer::stop() {
    if (!active_) return;
    active_ = false;
    Beat::instance().remove(this);
}

void BeatTimer::beat() {
    if (++count_ < beats_) return;
    count_ = 0;
    emit timeout();
}
