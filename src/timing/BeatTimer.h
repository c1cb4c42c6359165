#pragma once
// Timers that fire on a shared 20 ms beat.
//
// Every animation of the player (title ticker, seek bar and time, analyser)
// runs on multiples of 20 ms. Separate timers drift out of phase, and then
// each of them makes the window system flush the window on its own; on one
// shared beat the boxes that change together are copied to the screen in a
// single flush. The player owns the one Beat and hands it to whatever animates.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <vector>

class BeatTimer;

// The beat: a precise 20 ms timer that runs only while some BeatTimer on it is active and the beat
// is not held. It must outlive its BeatTimers. GUI thread only.
class Beat {
  public:
    Beat();
    ~Beat();
    Beat(const Beat&) = delete;
    Beat& operator=(const Beat&) = delete;

    // While nothing animated is on the screen (the window minimised or hidden) the beat is held:
    // the process no longer wakes 50 times a second, and the timers keep their state, active or
    // not. Released after a beat or more, every active timer fires at once, so that whatever it
    // shows is right the moment it is seen again.
    void hold();
    void release();
    bool held() const { return held_; }

  private:
    friend class BeatTimer;
    void add(BeatTimer* t);
    void remove(BeatTimer* t);
    void fire();
    void run();

    QTimer timer_;
    bool held_ = false;
    QElapsedTimer heldFor_;
    std::vector<BeatTimer*> timers_;
    std::vector<BeatTimer*> due_;
};

class BeatTimer : public QObject {
    Q_OBJECT
  public:
    static constexpr int kBeatMs = 20;

    explicit BeatTimer(Beat& beat, QObject* parent = nullptr);
    ~BeatTimer() override;

    // Rounded to whole beats, at least one.
    void setInterval(int ms);
    int interval() const { return beats_ * kBeatMs; }
    // The first timeout comes one interval after start(), on a beat.
    void start();
    void stop();
    bool isActive() const { return active_; }
    // Inside a timeout: how many timeouts the held beat left out before it (0 at every other one),
    // for a display that must catch up on them rather than start from where it stood.
    int missedTimeouts() const { return missed_; }

  signals:
    void timeout();

  private:
    friend class Beat;
    void beat();
    // The beat was held for `heldBeats` beats: fire now, owning up to what was left out.
    void catchUp(qint64 heldBeats);

    Beat& beat_;
    int beats_ = 1;
    int count_ = 0;
    int missed_ = 0;
    bool active_ = false;
};
