#include "BeatTimer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <vector>

namespace {

void runEventsFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

} // namespace

TEST(BeatTimer, TimersOfDifferentIntervalsFireOnTheSameBeats) {
    Beat beat;
    BeatTimer every20(beat), every40(beat), every60(beat);
    every20.setInterval(20);
    every40.setInterval(40);
    every60.setInterval(60);
    // Each timeout records how many 20 ms beats the fastest timer has seen so far.
    int beats = 0;
    std::vector<int> at40, at60;
    QObject::connect(&every20, &BeatTimer::timeout, [&] { ++beats; });
    QObject::connect(&every40, &BeatTimer::timeout, [&] { at40.push_back(beats); });
    QObject::connect(&every60, &BeatTimer::timeout, [&] { at60.push_back(beats); });
    every20.start();
    every40.start();
    every60.start();
    runEventsFor(400);
    every20.stop();
    every40.stop();
    every60.stop();

    ASSERT_GE(beats, 6);
    ASSERT_GE(at40.size(), 3u);
    ASSERT_GE(at60.size(), 2u);
    // The 20 ms timer started first, so it has counted the shared beat already.
    for (std::size_t i = 0; i < at40.size(); ++i) EXPECT_EQ(at40[i], int(2 * (i + 1)));
    for (std::size_t i = 0; i < at60.size(); ++i) EXPECT_EQ(at60[i], int(3 * (i + 1)));
}

TEST(BeatTimer, StopsAndRestartsAndRoundsIntervals) {
    Beat beat;
    BeatTimer t(beat);
    t.setInterval(45);
    EXPECT_EQ(t.interval(), 40);
    t.setInterval(0);
    EXPECT_EQ(t.interval(), 20);
    int fired = 0;
    QObject::connect(&t, &BeatTimer::timeout, [&] {
        ++fired;
        t.stop(); // a timeout may stop its own timer
    });
    t.start();
    EXPECT_TRUE(t.isActive());
    runEventsFor(120);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(t.isActive());
    t.start();
    runEventsFor(120);
    EXPECT_EQ(fired, 2);
}

// A held beat wakes nobody, active timers stay active, and its release fires them at once, telling
// each how many of its timeouts were left out meanwhile.
TEST(BeatTimer, AHeldBeatFiresNothingAndItsReleaseCatchesUpAtOnce) {
    Beat beat;
    BeatTimer every20(beat), every60(beat);
    every60.setInterval(60);
    int fired20 = 0, fired60 = 0, missed60 = -1;
    QObject::connect(&every20, &BeatTimer::timeout, [&] { ++fired20; });
    QObject::connect(&every60, &BeatTimer::timeout, [&] {
        ++fired60;
        missed60 = every60.missedTimeouts();
    });
    every20.start();
    every60.start();
    beat.hold();
    runEventsFor(300);
    EXPECT_EQ(fired20 + fired60, 0);
    EXPECT_TRUE(every20.isActive() && every60.isActive());
    beat.release();
    EXPECT_EQ(fired20, 1);
    EXPECT_EQ(fired60, 1);
    EXPECT_GE(missed60, 3); // 300 ms held: at least four 60 ms timeouts were due
    runEventsFor(100);
    EXPECT_GE(fired20, 3) << "the beat did not run again";
}
