#include "WakeSignal.h"

#include <cerrno>
#include <ctime>

WakeSignal::WakeSignal() {
    sem_init(&sem_, 0, 0);
}

WakeSignal::~WakeSignal() {
    sem_destroy(&sem_);
}

void WakeSignal::post() {
    sem_post(&sem_);
}

void WakeSignal::postIfSleeping() {
    if (sleeping_.load(std::memory_order_relaxed) && sleeping_.exchange(false, std::memory_order_acq_rel))
        sem_post(&sem_);
}

void WakeSignal::wait(int timeoutMs) {
    sleeping_.store(true, std::memory_order_seq_cst);
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += timeoutMs / 1000;
    deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    while (sem_clockwait(&sem_, CLOCK_MONOTONIC, &deadline) != 0 && errno == EINTR) {
    }
    sleeping_.store(false, std::memory_order_relaxed);
    // Several posts while busy mean one more pass, not several.
    while (sem_trywait(&sem_) == 0) {
    }
}
