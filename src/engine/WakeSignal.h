#pragma once
// Wakes the decoder thread. post() may be called from the audio callback: it
// is a POSIX semaphore post (an atomic increment and, only when the thread
// sleeps, one futex wake; no lock, no allocation, async-signal-safe).

#include <semaphore.h>

#include <atomic>

class WakeSignal {
  public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    void post();
    // Audio callback: posts only when the decoder thread is asleep, so a
    // callback that runs every few milliseconds does not make a system call
    // each time.
    void postIfSleeping();
    // Decoder thread: sleeps up to `timeoutMs` or until posted.
    void wait(int timeoutMs);

  private:
    sem_t sem_;
    std::atomic<bool> sleeping_{false};
};
