#include "BeatTimer.h"

#include <QTimer>

#include <algorithm>
#include <vector>

// The one beat of the process: a 20 ms timer and the BeatTimers it drives.
class Beat {
  public:
    static Beat& instance() {
        static Beat* beat = new Beat; // lives until the process ends, like the GUI thread
        return *beat;
    }

    void add(BeatTimer* t) {
        timers_.push_back(t);
        if (!timer_.isActive()) timer_.start();
    }

    void remove(BeatTimer* t) {
        std::erase(timers_, t);
        if (timers_.empty()) timer_.stop();
    }

  private:
    Beat() {
        // Precise: a coarse timer may shift each timeout by 5 %, and the title would stutter.
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(BeatTimer::kBeatMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] { fire(); });
    }

    void fire() {
        // A timeout may start, stop or delete timers, so walk a copy and skip those no longer
        // here. The copy is a member so that the beat allocates nothing.
        due_.assign(timers_.begin(), timers_.end());
        for (BeatTimer* t : due_)
            if (std::find(timers_.begin(), timers_.end(), t) != timers_.end() && t->isActive()) t->beat();
    }

    QTimer timer_;
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
