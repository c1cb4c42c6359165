#include "PumpDelay.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <thread>

void PumpDelay(int ms) {
    using Clock = std::chrono::steady_clock;
    if (ms <= 0) return;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    if (!QCoreApplication::instance()) {
        std::this_thread::sleep_until(deadline);
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    // A coarse timer may fire up to 5 % early; the caller was promised at least ms.
    timer.setTimerType(Qt::PreciseTimer);
    bool timedOut = false;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    // Waits again when the timer fired a little before the deadline by the steady clock.
    for (auto now = Clock::now(); now < deadline; now = Clock::now()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        timedOut = false;
        timer.start(int(left.count()));
        loop.exec();
        // The application is quitting: every further exec() would return at once and spin.
        if (!timedOut) return;
    }
}
