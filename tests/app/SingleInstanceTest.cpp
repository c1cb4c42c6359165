#include "SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Sets an environment variable for one scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const QByteArray& value) : name_(name) {
        if (qEnvironmentVariableIsSet(name)) old_ = qgetenv(name);
        qputenv(name, value);
    }
    ~ScopedEnv() { old_ ? void(qputenv(name_, *old_)) : void(qunsetenv(name_)); }

  private:
    const char* name_;
    std::optional<QByteArray> old_;
};

// A folder of the user's own with mode 0700, as a session's runtime folder is.
struct PrivateRuntime {
    PrivateRuntime() { ::chmod(QFile::encodeName(folder.path()).constData(), 0700); }
    QTemporaryDir folder;
    ScopedEnv runtime{"XDG_RUNTIME_DIR", QFile::encodeName(folder.path())};
};

// Makes path belong to "nobody", as if another local user had put it there; false when this
// process may not give files away (it runs unprivileged).
bool giveToAnotherUser(const QString& path) {
    return ::lchown(QFile::encodeName(path).constData(), 65534, 65534) == 0;
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
    EXPECT_NE(SingleInstance::socketPath(homeA.path()), SingleInstance::socketPath(homeB.path()));
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

// Something in the lock's place is no sign of another player, nor of none: the caller must be able
// to tell. A first player that cannot listen still holds the home, and a later start is told so.
TEST(SingleInstance, ALockThatCannotBeMadeFailsAndASocketThatCannotBeMadeTakesNoHandOffs) {
    QTemporaryDir home;
    PrivateRuntime runtime;
    const QString lock = SingleInstance::lockPath(home.path());
    ASSERT_TRUE(QDir().mkpath(lock));
    {
        SingleInstance instance(home.path());
        EXPECT_EQ(instance.claim(), SingleInstance::Claim::Failed);
        EXPECT_TRUE(instance.failure().contains(lock)) << instance.failure().toStdString();
    }
    ASSERT_TRUE(QDir(lock).removeRecursively());
    const QString socket = SingleInstance::socketPath(home.path());
    ASSERT_TRUE(QDir().mkpath(socket));
    SingleInstance first(home.path());
    EXPECT_EQ(first.claim(), SingleInstance::Claim::First);
    EXPECT_TRUE(first.failure().contains(socket)) << first.failure().toStdString();
    SingleInstance second(home.path());
    ASSERT_EQ(second.claim(), SingleInstance::Claim::Another) << "a second player on the same home";
    QByteArrayList paths{"/a.mp3"};
    EXPECT_EQ(second.handOver(paths, 5000), SingleInstance::HandOff::Unreachable);
    EXPECT_EQ(paths.size(), 1);
}

// The home is the key, whatever the environment: a start in a shell without the session's runtime
// folder finds the player all the same. It waits for a player busy beyond any short answer time,
// and takes the home over from one that ends meanwhile.
TEST(SingleInstance, StartsOfOneHomeMeetWhateverTheirEnvironment) {
    QTemporaryDir home, tmp;
    ScopedEnv tmpdir("TMPDIR", QFile::encodeName(tmp.path()));
    PrivateRuntime runtime;
    {
        SingleInstance first(home.path());
        ASSERT_EQ(first.claim(), SingleInstance::Claim::First);
        QByteArrayList received;
        QObject::connect(&first, &SingleInstance::pathsReceived,
                         [&](const QByteArrayList& p) { received += p; });
        ScopedEnv noRuntime("XDG_RUNTIME_DIR", "");
        SingleInstance second(home.path());
        ASSERT_EQ(second.claim(), SingleInstance::Claim::Another);
        std::atomic<int> result{-1};
        QByteArrayList paths{"/music/a.mp3"};
        std::thread sender([&] { result = int(second.handOver(paths)); });
        ::usleep(3200 * 1000); // the player is busy past what a start once waited
        QElapsedTimer clock;
        clock.start();
        while (result < 0 && clock.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        sender.join();
        EXPECT_EQ(result, int(SingleInstance::HandOff::Delivered));
        EXPECT_EQ(received, QByteArrayList{"/music/a.mp3"});
    }
    // A player that is closing holds the lock but no longer listens.
    const int closing = ::open(QFile::encodeName(SingleInstance::lockPath(home.path())).constData(), O_RDWR);
    ASSERT_EQ(::flock(closing, LOCK_EX), 0);
    SingleInstance third(home.path());
    ASSERT_EQ(third.claim(), SingleInstance::Claim::Another);
    std::thread ending([closing] {
        ::usleep(300 * 1000);
        ::close(closing);
    });
    QByteArrayList paths{"/music/b.mp3"};
    EXPECT_EQ(third.handOver(paths, 10000), SingleInstance::HandOff::OtherEnded);
    ending.join();
    EXPECT_EQ(paths.size(), 1) << "the paths stay with the start that now plays them";
    EXPECT_EQ(third.claim(), SingleInstance::Claim::First);
    SingleInstance fourth(home.path());
    EXPECT_EQ(fourth.claim(), SingleInstance::Claim::Another);
}

// The socket stays where only this user may reach it: the session's runtime folder when it is
// private, else a folder of our own; one that others may enter, a link, or one of another user is
// not used, and the player then takes no hand-offs.
TEST(SingleInstance, TheSocketLivesOnlyInAFolderOthersCannotEnter) {
    QTemporaryDir home, tmp;
    ScopedEnv tmpdir("TMPDIR", QFile::encodeName(tmp.path()));
    {
        PrivateRuntime runtime;
        EXPECT_EQ(QFileInfo(SingleInstance::socketPath(home.path())).path().toStdString(),
                  runtime.folder.path().toStdString());
    }
    QTemporaryDir shared;
    ::chmod(QFile::encodeName(shared.path()).constData(), 0777);
    ScopedEnv runtime("XDG_RUNTIME_DIR", QFile::encodeName(shared.path()));
    const QString own = tmp.path() + QStringLiteral("/vexo-mp-%1").arg(::getuid());
    {
        SingleInstance instance(home.path());
        EXPECT_EQ(instance.claim(), SingleInstance::Claim::First) << instance.failure().toStdString();
        EXPECT_EQ(QFileInfo(SingleInstance::socketPath(home.path())).path().toStdString(), own.toStdString())
            << "not in the shared folder";
        EXPECT_EQ(QFileInfo(own).permissions() & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                   QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                  QFile::Permissions());
    }
    const QByteArray ownName = QFile::encodeName(own);
    const auto noHandOffs = [&](const char* what) {
        SingleInstance instance(home.path());
        EXPECT_EQ(instance.claim(), SingleInstance::Claim::First) << what;
        EXPECT_TRUE(instance.failure().contains(own)) << instance.failure().toStdString();
        EXPECT_FALSE(SingleInstance::sendPaths(home.path(), {"/a.mp3"}, 150)) << what;
    };
    ASSERT_EQ(::chmod(ownName.constData(), 0755), 0);
    noHandOffs("a folder others may enter");
    ASSERT_TRUE(QDir(own).removeRecursively());
    ASSERT_TRUE(QDir().mkpath(shared.path() + "/elsewhere"));
    ASSERT_EQ(::symlink(QFile::encodeName(shared.path() + "/elsewhere").constData(), ownName.constData()), 0);
    noHandOffs("a link to a folder elsewhere");
    ASSERT_EQ(::unlink(ownName.constData()), 0);
    ASSERT_EQ(::mkdir(ownName.constData(), 0700), 0);
    if (giveToAnotherUser(own)) noHandOffs("a folder of another user");
}

// Another user's lock would keep the player from starting, another user's socket would receive its
// paths: neither is taken for a running player, and no path reaches a listener behind such a socket.
TEST(SingleInstance, ALockOrSocketOfAnotherUserIsRefused) {
    QTemporaryDir home;
    PrivateRuntime runtime;
    const QString lock = SingleInstance::lockPath(home.path());
    const QString socket = SingleInstance::socketPath(home.path());
    ASSERT_TRUE(QDir().mkpath(QFileInfo(lock).path()));
    QFile planted(lock);
    ASSERT_TRUE(planted.open(QIODevice::WriteOnly));
    planted.close();
    if (!giveToAnotherUser(lock)) GTEST_SKIP() << "only a privileged user can plant files of another user";
    {
        SingleInstance instance(home.path());
        EXPECT_EQ(instance.claim(), SingleInstance::Claim::Failed);
        EXPECT_TRUE(instance.failure().contains(lock)) << instance.failure().toStdString();
    }
    ASSERT_TRUE(QFile::remove(lock));

    QLocalServer stranger;
    ASSERT_TRUE(stranger.listen(socket));
    ASSERT_TRUE(giveToAnotherUser(socket));
    int connections = 0;
    QObject::connect(&stranger, &QLocalServer::newConnection, [&] { ++connections; });
    SingleInstance first(home.path());
    EXPECT_EQ(first.claim(), SingleInstance::Claim::First);
    EXPECT_TRUE(first.failure().contains(socket)) << first.failure().toStdString();
    EXPECT_FALSE(sendWhileServing(home.path(), {"/secret/a.mp3"})) << "a path went to another user's socket";
    EXPECT_EQ(connections, 0);
}

// A hand-off larger than any command line is refused without being held, and the connection is
// closed; a long command line still arrives whole, in messages the receiver accepts.
TEST(SingleInstance, AnOversizedMessageIsRefusedAndALongCommandLineStillArrives) {
    QTemporaryDir home;
    PrivateRuntime runtime;
    SingleInstance first(home.path());
    ASSERT_EQ(first.claim(), SingleInstance::Claim::First);
    QByteArrayList received;
    QObject::connect(&first, &SingleInstance::pathsReceived, [&](const QByteArrayList& p) { received += p; });

    for (const quint32 count : {0u, SingleInstance::kMaxPaths + 1}) {
        std::atomic<int> outcome{0}; // 1 closed unanswered, 2 answered or left open
        std::thread sender([&] {
            QLocalSocket s;
            s.connectToServer(SingleInstance::socketPath(home.path()));
            if (!s.waitForConnected(5000)) return;
            QByteArray header(8, 0);
            const quint32 length = count ? 4 : quint32(SingleInstance::kMaxMessageBytes + 1);
            qToBigEndian(length, header.data());
            qToBigEndian(count, header.data() + 4);
            s.write(header);
            // An oversized body is never wanted: the refusal comes before it.
            s.waitForBytesWritten(5000);
            const bool closed = s.state() == QLocalSocket::UnconnectedState || s.waitForDisconnected(10000);
            outcome = closed && s.bytesAvailable() == 0 ? 1 : 2;
        });
        QElapsedTimer clock;
        clock.start();
        while (outcome == 0 && clock.elapsed() < 15000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        sender.join();
        EXPECT_EQ(outcome, 1) << "a message of " << count << " paths was not refused";
    }
    EXPECT_TRUE(received.isEmpty());

    QByteArrayList many;
    for (quint32 i = 0; i < SingleInstance::kMaxPaths + 5; ++i)
        many << QByteArray("/music/") + QByteArray::number(i) + QByteArray(180, 'x') + ".mp3";
    EXPECT_TRUE(sendWhileServing(home.path(), many));
    EXPECT_EQ(received, many);
}
