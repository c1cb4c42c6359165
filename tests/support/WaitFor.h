#pragma once
// Runs the event loop until a condition holds: for results that other threads post.
#include <QCoreApplication>
#include <QDeadlineTimer>

template <typename Condition>
bool WaitFor(Condition condition, int timeoutMs = 10000) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}
