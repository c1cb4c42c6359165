#include "SingleInstance.h"

#include "PrivateFolder.h"
#include "UnixSocket.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QThread>
#include <QtEndian>

#include <sys/socket.h>
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

bool sendMessage(const QString& socketPath, const QByteArrayList& paths, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    int fd;
    // The first process may hold the lock but not listen yet: retry for a moment.
    while ((fd = UnixSocket::connectTo(socketPath)) < 0) {
        if (clock.elapsed() > timeoutMs) return false;
        QThread::msleep(20);
    }
    // A socket or a listener of another user must not learn our paths.
    const bool acknowledged = ForeignFileProblem(socketPath).isEmpty() && UnixSocket::peerIsThisUser(fd) &&
                              UnixSocket::writeAll(fd, encodeMessage(paths), timeoutMs) &&
                              UnixSocket::readByte(fd, qMax(0, timeoutMs - int(clock.elapsed()))) == kAck;
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
    UnixSocket::close(listener_);
}

QString SingleInstance::socketPath(const QString& homeFolder) {
    return inPrivateFolder(instanceKey(homeFolder));
}

QString SingleInstance::lockPath(const QString& homeFolder) {
    return inPrivateFolder(instanceKey(homeFolder) + ".lock");
}

SingleInstance::Claim SingleInstance::fail(const QString& why) {
    failure_ = why;
    return Claim::Failed;
}

SingleInstance::Claim SingleInstance::claim() {
    QString why;
    const QString folder = PrivateFolder(&why);
    if (folder.isEmpty()) return fail(why);
    const QString lockFile = folder + "/" + instanceKey(home_) + ".lock";
    const QString socket = folder + "/" + instanceKey(home_);
    // Such a lock could keep us from ever starting, such a socket could receive our paths.
    why = ForeignFileProblem(lockFile);
    if (!why.isEmpty())
        return fail(QStringLiteral("the lock file \"%1\" is not ours: %2").arg(lockFile, why));
    lock_ = std::make_unique<QLockFile>(lockFile);
    if (!lock_->tryLock(0)) {
        // Only a lock that names its holder is another player's; anything else in its place is not.
        qint64 pid = 0;
        QString host, application;
        if (lock_->error() == QLockFile::LockFailedError && lock_->getLockInfo(&pid, &host, &application))
            return Claim::Another;
        const bool denied = lock_->error() == QLockFile::PermissionError;
        return fail(
            QStringLiteral("cannot create the lock file \"%1\": %2")
                .arg(lockFile,
                     denied ? QStringLiteral("permission denied")
                            : QStringLiteral("something else is in its place or its folder is unusable")));
    }
    why = ForeignFileProblem(socket);
    if (!why.isEmpty()) return fail(QStringLiteral("the socket \"%1\" is not ours: %2").arg(socket, why));
    // The lock proves no other player of this home runs, so a socket left by a crash is stale.
    listener_ = UnixSocket::listenAt(socket, &why);
    if (listener_ < 0) return fail(QStringLiteral("cannot listen on \"%1\": %2").arg(socket, why));
    listening_ = new QSocketNotifier(listener_, QSocketNotifier::Read, this);
    connect(listening_, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
    return Claim::First;
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

bool SingleInstance::sendPaths(const QString& homeFolder, const QByteArrayList& paths, int timeoutMs) {
    const QString socket = socketPath(homeFolder);
    if (socket.isEmpty()) return false;
    for (const QByteArrayList& message : messageSized(paths))
        if (!sendMessage(socket, message, timeoutMs)) return false;
    return true;
}
