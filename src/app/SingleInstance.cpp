#include "SingleInstance.h"

#include "PrivateFolder.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
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

// The process at the other end of a connected local socket runs as this user.
bool peerIsThisUser(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == ::getuid();
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
    QLocalSocket socket;
    // The first process may hold the lock but not listen yet: retry for a moment.
    while (true) {
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(100)) break;
        if (clock.elapsed() > timeoutMs) return false;
        QThread::msleep(20);
    }
    // A socket or a listener of another user must not learn our paths.
    if (!ForeignFileProblem(socketPath).isEmpty() || !peerIsThisUser(socket)) return false;
    socket.write(encodeMessage(paths));
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    while (socket.bytesAvailable() < 1) {
        const int left = timeoutMs - int(clock.elapsed());
        if (left <= 0 || !socket.waitForReadyRead(left)) return false;
    }
    char ack = 0;
    return socket.read(&ack, 1) == 1 && ack == kAck;
}

} // namespace

SingleInstance::SingleInstance(const QString& homeFolder, QObject* parent)
    : QObject(parent), home_(homeFolder) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
}

SingleInstance::~SingleInstance() = default;

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
    QLocalServer::removeServer(socket);
    if (server_.listen(socket)) return Claim::First;
    return fail(QStringLiteral("cannot listen on \"%1\": %2").arg(socket, server_.errorString()));
}

void SingleInstance::acceptConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!peerIsThisUser(*socket)) {
            socket->abort();
            continue;
        }
        // Never more than one message is held, however much a peer sends.
        socket->setReadBufferSize(4 + kMaxMessageBytes);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
    }
}

void SingleInstance::readMessage(QLocalSocket* socket) {
    char header[4];
    if (socket->peek(header, 4) < 4) return;
    const quint32 length = qFromBigEndian<quint32>(header);
    if (length > kMaxMessageBytes) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < 4 + qint64(length)) return;
    socket->skip(4);
    QDataStream in(socket->read(length));
    quint32 count = 0;
    in >> count;
    if (count > kMaxPaths) {
        socket->abort();
        return;
    }
    QByteArrayList paths;
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        QByteArray p;
        in >> p;
        if (in.status() == QDataStream::Ok) paths << p;
    }
    socket->write(&kAck, 1);
    socket->flush();
    emit pathsReceived(paths);
}

bool SingleInstance::sendPaths(const QString& homeFolder, const QByteArrayList& paths, int timeoutMs) {
    const QString socket = socketPath(homeFolder);
    if (socket.isEmpty()) return false;
    for (const QByteArrayList& message : messageSized(paths))
        if (!sendMessage(socket, message, timeoutMs)) return false;
    return true;
}
