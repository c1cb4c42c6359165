#include "BeatTimer.h"

#include "ScreenCopy.h"

#include <QTimerEvent>

#include <algorithm>
#include <vector>

// The one beat of the process: a 20 ms timer and the BeatTimers it drives.
// It takes the timer event itself: a QTimer's signal would add a call through
// the meta-object system to every one of the 50 wake-ups a second.
class Beat : public QObject {
  public:
    static Beat& instance() {
        static Beat* beat = new Beat; // lives until the process ends, like the GUI thread
        return *beat;
    }

    void add(BeatTimer* t) {
        timers_.push_back(t);
        if (timerId_ == 0) timerId_ = startTimer(BeatTimer::kBeatMs, Qt::PreciseTimer);
    }

    void remove(BeatTimer* t) {
        std::erase(timers_, t);
        if (timers_.empty() && timerId_ != 0) {
            killTimer(timerId_);
            timerId_ = 0;
        }
    }

  protected:
    void timerEvent(QTimerEvent* event) override {
        if (event->timerId() != timerId_) return;
        // What the timeouts copy to the screen goes out in one write.
        ScreenCopy::Batch batch;
        // A timeout may start, stop or delete timers, so walk a copy and skip those no longer
        // here. The copy is a member so that the beat allocates nothing.
        due_.assign(timers_.begin(), timers_.end());
        for (BeatTimer* t : due_)
            if (std::find(timers_.begin(), timers_.end(), t) != timers_.end() && t->isActive()) t->beat();
    }

  private:
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
