#include "BeatTimer.h"

#include <QPointer>

#include <algorithm>

Beat::Beat() {
    // Precise: a coarse timer may shift each timeout by 5 %, and the title would stutter.
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(BeatTimer::kBeatMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { fire(); });
}

Beat::~Beat() {
    Q_ASSERT(timers_.empty());
}

void Beat::add(BeatTimer* t) {
    timers_.push_back(t);
    run();
}

void Beat::remove(BeatTimer* t) {
    std::erase(timers_, t);
    run();
}

void Beat::run() {
    const bool wanted = !held_ && !timers_.empty();
    if (wanted && !timer_.isActive())
        timer_.start();
    else if (!wanted)
        timer_.stop();
}

void Beat::hold() {
    if (held_) return;
    held_ = true;
    heldFor_.start();
    run();
}

void Beat::release() {
    if (!held_) return;
    held_ = false;
    run();
    // A moment's hide (a window flag changed) missed no beat, and must not step the title twice.
    const qint64 heldBeats = heldFor_.elapsed() / BeatTimer::kBeatMs;
    if (heldBeats == 0) return;
    due_.assign(timers_.begin(), timers_.end());
    for (BeatTimer* t : due_)
        if (std::find(timers_.begin(), timers_.end(), t) != timers_.end() && t->isActive())
            t->catchUp(heldBeats);
}

void Beat::fire() {
    // A timeout may start, stop or delete timers, so walk a copy and skip those no longer here.
    // The copy is a member so that the beat allocates nothing.
    due_.assign(timers_.begin(), timers_.end());
    for (BeatTimer* t : due_)
        if (std::find(timers_.begin(), timers_.end(), t) != timers_.end() && t->isActive()) t->beat();
}

BeatTimer::BeatTimer(Beat& beat, QObject* parent) : QObject(parent), beat_(beat) {}

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
    beat_.add(this);
}

void BeatTimer::stop() {
    if (!active_) return;
    active_ = false;
    beat_.remove(this);
}

void BeatTimer::beat() {
    if (++count_ < beats_) return;
    count_ = 0;
    emit timeout();
}

void BeatTimer::catchUp(qint64 heldBeats) {
    // The timeout now stands for the first one left out.
    missed_ = std::max(0, int(std::min<qint64>((count_ + heldBeats) / beats_, 1 << 20)) - 1);
    count_ = 0;
    // A timeout may delete its own timer.
    const QPointer<BeatTimer> self(this);
    emit timeout();
    if (self) missed_ = 0;
}
