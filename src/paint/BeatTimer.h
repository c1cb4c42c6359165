#pragma once
// A timer that fires on a shared 20 ms beat.
//
// Every animation of the player (title ticker, seek bar and time, analyser)
// runs on multiples of 20 ms. Separate timers drift out of phase, and then
// each of them makes the window system flush the window on its own; on one
// shared beat the boxes that change together are copied to the screen in a
// single flush. The beat itself runs only while some BeatTimer is active.
#include <QObject>

class BeatTimer : public QObject {
    Q_OBJECT
public:
    static constexpr int kBeatMs = 20;

    explicit BeatTimer(QObject* parent = nullptr);
    ~BeatTimer() override;

    // Rounded to whole beats, at least one.
    void setInterval(int ms);
    int interval() const { return beats_ * kBeatMs; }
    // The first timeout comes one interval after start(), on a beat.
    void start();
    void stop();
    bool isActive() const { return active_; }

signals:
    void timeout();

private:
    friend class Beat;
    void beat();

    int beats_ = 1;
    int count_ = 0;
    bool active_ = false;
};
