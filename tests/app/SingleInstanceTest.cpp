#include "SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
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
    while (result < 0 && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    sender.join();
    return result == 1;
}

} // namespace

TEST(SingleInstance, SecondStartHandsItsPathsToTheFirst) {
    QTemporaryDir home;
    SingleInstance first(home.path());
    ASSERT_EQ(first.claim(), SingleInstance::Claim::First);
    SingleInstance second(home.path());
    EXPECT_EQ(second.claim(), SingleInstance::Claim::Another);

    QByteArrayList received;
    QObject::connect(&first, &SingleInstance::pathsReceived, [&](const QByteArrayList& p) { received += p; });
    const QByteArrayList sent = {"/music/a.mp3", QByteArray("/music/\xff\xfe-not-utf8.ogg"),
                                 "/music/list.m3u"};
    EXPECT_TRUE(sendWhileServing(home.path(), sent));
    EXPECT_EQ(received, sent);
}

TEST(SingleInstance, DifferentHomesDoNotSeeEachOther) {
    QTemporaryDir homeA, homeB;
    SingleInstance a(homeA.path()), b(homeB.path());
    EXPECT_EQ(a.claim(), SingleInstance::Claim::First);
    EXPECT_EQ(b.claim(), SingleInstance::Claim::First);
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
        ASSERT_EQ(first.claim(), SingleInstance::Claim::First);
    }
    SingleInstance next(home.path());
    EXPECT_EQ(next.claim(), SingleInstance::Claim::First);
}

// A lock or socket that cannot be made is no sign of another player: the caller must be able to
// tell. Something that is not ours in their place (here a folder) stands for any such failure.
TEST(SingleInstance, ALockOrSocketThatCannotBeMadeIsAFailureNotAnotherPlayer) {
    QTemporaryDir home;
    for (const QString& blocked : {SingleInstance::lockPath(home.path()),
                                   QDir::tempPath() + "/" + SingleInstance::socketName(home.path())}) {
        ASSERT_TRUE(QDir().mkpath(blocked));
        SingleInstance instance(home.path());
        const SingleInstance::Claim claim = instance.claim();
        QDir(blocked).removeRecursively();
        EXPECT_EQ(claim, SingleInstance::Claim::Failed) << blocked.toStdString();
        EXPECT_TRUE(instance.failure().contains(QFileInfo(blocked).fileName()))
            << instance.failure().toStdString();
    }
}
