#pragma once
#include <QElapsedTimer>
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// With VEXO_TRACE_STALLS set, measures how long the window's thread keeps the window waiting: a
// watcher thread hands it a no-op every 2 ms and times how long the no-op waits to run. Each wait
// of 50 ms or more goes to stderr as it ends, among the log's lines, as "stall MS ms from AT ms:
// WHAT", AT counted from the meter's start and WHAT the event the window's thread began to deliver
// last before the wait was 8 ms old (the meter's own no-ops aside): what keeps it busy, or what it
// was sent from. When the event loop ends, "stall-longest MS" and the five longest
// waits follow. The time before the event loop first runs (start-up with no window yet) is not
// counted. Unset, the meter does nothing.
class StallMeter : public QObject {
  public:
    StallMeter();
    ~StallMeter() override;
    StallMeter(const StallMeter&) = delete;
    StallMeter& operator=(const StallMeter&) = delete;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Stall {
        std::int64_t ms = 0, fromMs = 0;
        const char* receiver = "";
        const char* owner = "";
        int eventType = 0;
    };
    void watch();
    void record(const Stall& stall);
    void finish();
    static void print(const char* label, const Stall& stall);

    QElapsedTimer clock_;
    std::mutex lock_;
    std::condition_variable answer_;
    std::uint64_t answered_ = 0;
    bool stopping_ = false;
    std::vector<Stall> longest_; // the longest waits, longest first
    // What the window's thread delivers now: its receiver's class, the class of the receiver's
    // parent (a timer's owner), and the event's type. Read apart, so at worst a mix of neighbours.
    std::atomic<const char*> receiver_{""}, owner_{""};
    std::atomic<int> eventType_{0};
    std::thread watcher_;
};
