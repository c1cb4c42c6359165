#include "SingleInstance.h"

#include "PrivateFolder.h"
#include "UnixSocket.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QThread>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kAck = 'k';

QString instanceKey(const QString& homeFolder) {
    const QByteArray home = QFile::encodeName(QDir::cleanPath(QDir(homeFolder).absolutePath()));
    const QByteArray hash = QCryptographicHash::hash(home, QCryptographicHash::Sha1).toHex().left(16);
    return QString("vexo-mp-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

QString inPrivateFolder(const QString& name) {
    const QString folder = PrivateFolder(nullptr);
    return folder.isEmpty() ? QString() : folder + "/" + name;
}

QByteArray encodeMessage(const QByteArrayList& paths) {
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out << quint32(paths.size());
    for (const QByteArray& p : paths)
        out << p;
    QByteArray framed;
    QDataStream frame(&framed, QIODevice::WriteOnly);
    frame << quint32(body.size());
    return framed + body;
}

// Paths in messages that each stay within what the receiver accepts.
QList<QByteArrayList> messageSized(const QByteArrayList& paths) {
    QList<QByteArrayList> batches(1);
    qint64 bytes = 4;
    for (const QByteArray& p : paths) {
        const qint64 size = 4 + p.size();
        if (!batches.last().isEmpty() && (batches.last().size() == int(SingleInstance::kMaxPaths) ||
                                          bytes + size > SingleInstance::kMaxMessageBytes)) {
            batches.append(QByteArrayList());
            bytes = 4;
        }
        batches.last().append(p);
        bytes += size;
    }
    return batches;
}

// What the lock file says of its holder: whether it has finished setting up, and where it listens
// (empty when it takes no hand-offs).
struct LockNote {
    bool written = false;
    QString socket;
};

LockNote readLockNote(const QString& lockFile) {
    LockNote note;
    const int fd =
        ::open(QFile::encodeName(lockFile).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return note;
    struct stat st {};
    char text[4096];
    ssize_t n = -1;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid())
        n = ::pread(fd, text, sizeof text, 0);
    ::close(fd);
    const QByteArrayList lines = n > 0 ? QByteArray(text, n).split('\n') : QByteArrayList();
    if (lines.size() < 3 || !lines[0].startsWith("vexo-mp ")) return note;
    note.written = true;
    note.socket = QFile::decodeName(lines[1]);
    return note;
}

// Sends one message and waits for its acknowledgement. A message once written is never sent again
// by the caller (a busy player reads it later, and would add the paths twice), so the answer is
// waited for up to answerMs, however long the connection took.
bool sendMessage(const QString& socketPath, const QByteArrayList& paths, int connectMs, int answerMs) {
    QElapsedTimer clock;
    clock.start();
    int fd;
    // The first process may hold the lock but not listen yet, or have its queue full: retry.
    while ((fd = UnixSocket::connectTo(socketPath)) < 0) {
        if (clock.elapsed() > connectMs) return false;
        QThread::msleep(20);
    }
    clock.restart();
    // A socket or a listener of another user must not learn our paths.
    const bool acknowledged = ForeignFileProblem(socketPath).isEmpty() && UnixSocket::peerIsThisUser(fd) &&
                              UnixSocket::writeAll(fd, encodeMessage(paths), answerMs) &&
                              UnixSocket::readByte(fd, qMax(0, answerMs - int(clock.elapsed()))) == kAck;
    UnixSocket::close(fd);
    return acknowledged;
}

} // namespace

// One accepted hand-off connection: it reads whole messages, answers each and goes at the end.
class SingleInstance::Connection : public QObject {
  public:
    Connection(int fd, SingleInstance& owner)
        : QObject(&owner), owner_(owner), fd_(fd), readable_(fd, QSocketNotifier::Read, this) {
        connect(&readable_, &QSocketNotifier::activated, this, &Connection::read);
    }
    ~Connection() override { UnixSocket::close(fd_); }

  private:
    void read() {
        // Never more than one message is held, however much a peer sends.
        constexpr qsizetype kMaxHeld = 4 + kMaxMessageBytes;
        char chunk[64 * 1024];
        while (true) {
            const qsizetype room = qMin<qsizetype>(sizeof chunk, kMaxHeld - held_.size());
            const ssize_t n = ::recv(fd_, chunk, std::size_t(room), 0);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
            if (n <= 0) return finish();
            held_.append(chunk, n);
            if (!takeMessages()) return finish();
        }
    }

    // False when the peer broke the rules and is dropped.
    bool takeMessages() {
        while (held_.size() >= 4) {
            const quint32 length = qFromBigEndian<quint32>(held_.constData());
            if (length > kMaxMessageBytes) return false;
            if (held_.size() < 4 + qsizetype(length)) return true;
            QDataStream in(held_.mid(4, length));
            held_.remove(0, 4 + length);
            quint32 count = 0;
            in >> count;
            if (count > kMaxPaths) return false;
            QByteArrayList paths;
            for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
                QByteArray p;
                in >> p;
                if (in.status() == QDataStream::Ok) paths << p;
            }
            UnixSocket::writeAll(fd_, QByteArray(1, kAck), 0);
            emit owner_.pathsReceived(paths);
        }
        return true;
    }

    void finish() {
        readable_.setEnabled(false);
        deleteLater();
    }

    SingleInstance& owner_;
    int fd_;
    QSocketNotifier readable_;
    QByteArray held_;
};

SingleInstance::SingleInstance(const QString& homeFolder, QObject* parent)
    : QObject(parent), home_(homeFolder) {}

SingleInstance::~SingleInstance() {
    stopListening();
    // The lock file itself stays: removed, a start that had just opened it would lock a file that
    // no later start can see.
    if (lockFd_ >= 0) ::close(lockFd_);
}

QString SingleInstance::lockPath(const QString& homeFolder) {
    return QDir::cleanPath(QDir(homeFolder).absolutePath()) + "/Data/vexo-mp.lock";
}

QString SingleInstance::socketPath(const QString& homeFolder) {
    return inPrivateFolder(instanceKey(homeFolder));
}

SingleInstance::Claim SingleInstance::fail(const QString& why) {
    failure_ = why;
    return Claim::Failed;
}

SingleInstance::Claim SingleInstance::claim() {
    const QString lockFile = lockPath(home_);
    // Claimed again after a hand-off found the player gone, the file is open and checked already.
    if (lockFd_ < 0) {
        QDir().mkpath(QFileInfo(lockFile).path());
        lockFd_ = ::open(QFile::encodeName(lockFile).constData(),
                         O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (lockFd_ < 0) {
            const int err = errno;
            const QString reason = QString::fromLocal8Bit(std::strerror(err));
            // A home this user cannot write to holds no file that this player could overwrite; on a
            // full disk none of its saves can be written either.
            if (err == EACCES || err == EPERM || err == EROFS || err == ENOENT || err == ENOSPC ||
                err == EDQUOT) {
                failure_ = QStringLiteral("cannot create the lock file \"%1\": %2").arg(lockFile, reason);
                return Claim::First;
            }
            return fail(QStringLiteral("cannot open the lock file \"%1\": %2")
                            .arg(lockFile, err == ELOOP ? QStringLiteral("it is a symbolic link") : reason));
        }
        struct stat st {};
        if (::fstat(lockFd_, &st) != 0 || !S_ISREG(st.st_mode))
            return fail(QStringLiteral("the lock file \"%1\" is not a regular file").arg(lockFile));
        // Such a lock could keep every start of this home from ever becoming the player.
        if (st.st_uid != ::getuid())
            return fail(QStringLiteral("the lock file \"%1\" is not ours: it belongs to user %2")
                            .arg(lockFile)
                            .arg(st.st_uid));
    }
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) {
        listen();
        return Claim::First;
    }
    if (errno == EWOULDBLOCK) return Claim::Another;
    // A file system without locks: this player runs, but cannot be found by a later start.
    failure_ =
        QStringLiteral("cannot lock \"%1\": %2").arg(lockFile, QString::fromLocal8Bit(std::strerror(errno)));
    return Claim::First;
}

void SingleInstance::listen() {
    // What a crashed holder wrote is no longer true.
    if (::ftruncate(lockFd_, 0) != 0) return;
    QString why;
    QString socket = PrivateFolder(&why);
    if (socket.isEmpty()) {
        failure_ = why;
    } else {
        socket += "/" + instanceKey(home_);
        // Such a socket could receive our paths.
        why = ForeignFileProblem(socket);
        if (!why.isEmpty()) {
            failure_ = QStringLiteral("the socket \"%1\" is not ours: %2").arg(socket, why);
        } else {
            // The lock proves no other player of this home runs, so a socket left by a crash is stale.
            listener_ = UnixSocket::listenAt(socket, &why);
            if (listener_ < 0) failure_ = QStringLiteral("cannot listen on \"%1\": %2").arg(socket, why);
        }
    }
    if (listener_ >= 0) {
        listening_ = new QSocketNotifier(listener_, QSocketNotifier::Read, this);
        connect(listening_, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
    }
    // Written last: a start that reads a socket here finds it listening.
    const QByteArray note = "vexo-mp " + QByteArray::number(::getpid()) + "\n" +
                            (listener_ >= 0 ? QFile::encodeName(socket) : QByteArray()) + "\n";
    if (::pwrite(lockFd_, note.constData(), std::size_t(note.size()), 0) != note.size())
        failure_ = QStringLiteral("cannot write the lock file \"%1\"").arg(lockPath(home_));
}

void SingleInstance::stopListening() {
    if (listener_ < 0) return;
    delete listening_;
    listening_ = nullptr;
    UnixSocket::close(listener_);
    listener_ = -1;
}

void SingleInstance::acceptConnections() {
    int fd;
    while ((fd = UnixSocket::acceptFrom(listener_)) >= 0) {
        if (!UnixSocket::peerIsThisUser(fd)) {
            UnixSocket::close(fd);
            continue;
        }
        new Connection(fd, *this);
    }
}

SingleInstance::HandOff SingleInstance::handOver(QByteArrayList& paths, int patienceMs) {
    QElapsedTimer clock;
    clock.start();
    while (true) {
        if (lockFd_ >= 0 && ::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) return HandOff::OtherEnded;
        const LockNote note = readLockNote(lockPath(home_));
        if (note.written && note.socket.isEmpty()) {
            failure_ = QStringLiteral("the running player takes no paths from other starts");
            return HandOff::Unreachable;
        }
        if (note.written) {
            if (const QString why = ForeignFileProblem(note.socket); !why.isEmpty()) {
                failure_ = QStringLiteral("the socket \"%1\" is not ours: %2").arg(note.socket, why);
                return HandOff::Unreachable;
            }
            for (const QByteArrayList& message : messageSized(paths)) {
                const int left = qMax(0, patienceMs - int(clock.elapsed()));
                if (!sendMessage(note.socket, message, qMin(left, 1000), left)) break;
                paths.erase(paths.begin(), paths.begin() + message.size());
            }
            if (paths.isEmpty()) return HandOff::Delivered;
        }
        if (clock.elapsed() > patienceMs) {
            failure_ = QStringLiteral("the running player did not answer within %1 s").arg(patienceMs / 1000);
            return HandOff::Unreachable;
        }
        QThread::msleep(20);
    }
}

bool SingleInstance::sendPaths(const QString& homeFolder, const QByteArrayList& paths, int timeoutMs) {
    const LockNote note = readLockNote(lockPath(homeFolder));
    if (note.socket.isEmpty()) return false;
    for (const QByteArrayList& message : messageSized(paths))
        if (!sendMessage(note.socket, message, timeoutMs, timeoutMs)) return false;
    return true;
}
