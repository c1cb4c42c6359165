#include "PumpDelay.h"

#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// CPU time of this process (user and system) in milliseconds.
double cpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

} // namespace

TEST(PumpDelay, WaitsWhileTimersKeepRunningWithoutSpinning) {
    int ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();

    const double cpuBefore = cpuMs();
    const auto start = Clock::now();
    PumpDelay(400);
    const long long elapsed = msSince(start);
    const double cpuUsed = cpuMs() - cpuBefore;

    EXPECT_GE(elapsed, 400);
    EXPECT_LT(elapsed, 1500); // generous: the machines are shared
    EXPECT_GE(ticks, 10);     // about 20 at 20 ms; a loaded machine merges some
    EXPECT_LT(cpuUsed, 40.0) << "a busy wait uses a core for most of the 400 ms";
}

TEST(PumpDelay, NestedCallDoesNotShortenTheOuterWaitAndZeroDoesNotWait) {
    long long innerEnded = -1;
    const auto start = Clock::now();
    QTimer::singleShot(30, [&] {
        PumpDelay(300);
        innerEnded = msSince(start);
    });
    PumpDelay(100);
    const long long outerEnded = msSince(start);
    ASSERT_GE(innerEnded, 330);
    EXPECT_GE(outerEnded, innerEnded);
    EXPECT_GE(outerEnded, 100);

    const auto zero = Clock::now();
    PumpDelay(0);
    PumpDelay(-5);
    EXPECT_LT(msSince(zero), 50);
}
