#include "SingleInstance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Runs the sender on its own thread, as a second process would, while this
// thread's event loop serves the first instance.
bool sendWhileServing(const QString& home, const QByteArrayList& paths) {
    std::atomic<int> result{-1};
    std::thread sender([&] { result = SingleInstance::sendPaths(home, paths, 2000) ? 1 : 0; });
    QElapsedTimer clock;
    clock.start();
    while (result < 0 && clock.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    sender.join();
    return result == 1;
}

} // namespace

TEST(SingleInstance, SecondStartHandsItsPathsToTheFirst) {
    QTemporaryDir home;
    SingleInstance first(home.path());
    ASSERT_TRUE(first.claim());
    SingleInstance second(home.path());
    EXPECT_FALSE(second.claim());

    QByteArrayList received;
    QObject::connect(&first, &SingleInstance::pathsReceived, [&](const QByteArrayList& p) { received += p; });
    const QByteArrayList sent = {"/music/a.mp3", QByteArray("/music/\xff\xfe-not-utf8.ogg"), "/music/list.m3u"};
    EXPECT_TRUE(sendWhileServing(home.path(), sent));
    EXPECT_EQ(received, sent);
}

TEST(SingleInstance, DifferentHomesDoNotSeeEachOther) {
    QTemporaryDir homeA, homeB;
    SingleInstance a(homeA.path()), b(homeB.path());
    EXPECT_TRUE(a.claim());
    EXPECT_TRUE(b.claim());
    EXPECT_NE(SingleInstance::socketName(homeA.path()), SingleInstance::socketName(homeB.path()));
}

TEST(SingleInstance, NobodyListeningMeansNotDelivered) {
    QTemporaryDir home;
    EXPECT_FALSE(SingleInstance::sendPaths(home.path(), {"/a.mp3"}, 150));
}

TEST(SingleInstance, LockIsFreedWhenTheFirstEnds) {
    QTemporaryDir home;
    {
        SingleInstance first(home.path());
        ASSERT_TRUE(first.claim());
    }
    SingleInstance next(home.path());
    EXPECT_TRUE(next.claim());
}
