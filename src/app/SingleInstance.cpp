#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QThread>

#include <unistd.h>

namespace {

constexpr char kAck = 'k';
// A hand-off is a handful of paths; anything larger is not ours.
constexpr quint32 kMaxMessageBytes = 64u << 20;

QString instanceKey(const QString& homeFolder) {
    const QByteArray home = QFile::encodeName(QDir::cleanPath(QDir(homeFolder).absolutePath()));
    const QByteArray hash = QCryptographicHash::hash(home, QCryptographicHash::Sha1).toHex().left(16);
    return QString("vexo-mp-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
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

} // namespace

SingleInstance::SingleInstance(const QString& homeFolder, QObject* parent)
    : QObject(parent), home_(homeFolder) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketName(const QString& homeFolder) {
    return instanceKey(homeFolder);
}

QString SingleInstance::lockPath(const QString& homeFolder) {
    return QDir::tempPath() + "/" + instanceKey(homeFolder) + ".lock";
}

SingleInstance::Claim SingleInstance::claim() {
    lock_ = std::make_unique<QLockFile>(lockPath(home_));
    if (!lock_->tryLock(0)) {
        // Only a lock that names its holder is another player's; anything else in its place is not.
        qint64 pid = 0;
        QString host, application;
        if (lock_->error() == QLockFile::LockFailedError && lock_->getLockInfo(&pid, &host, &application))
            return Claim::Another;
        const bool denied = lock_->error() == QLockFile::PermissionError;
        failure_ =
            QStringLiteral("cannot create the lock file \"%1\": %2")
                .arg(lockPath(home_),
                     denied ? QStringLiteral("permission denied")
                            : QStringLiteral("something else is in its place or its folder is unusable"));
        return Claim::Failed;
    }
    // The lock proves no other player of this home runs, so a socket left by a crash is stale.
    QLocalServer::removeServer(socketName(home_));
    if (server_.listen(socketName(home_))) return Claim::First;
    failure_ = QStringLiteral("cannot listen on \"%1\": %2").arg(socketName(home_), server_.errorString());
    return Claim::Failed;
}

void SingleInstance::acceptConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            const QByteArray buffered = socket->peek(socket->bytesAvailable());
            if (buffered.size() < 4) return;
            QDataStream header(buffered);
            quint32 length = 0;
            header >> length;
            if (length > kMaxMessageBytes) {
                socket->abort();
                return;
            }
            if (quint32(buffered.size()) < 4 + length) return;
            socket->read(4);
            QDataStream in(socket->read(length));
            quint32 count = 0;
            in >> count;
            QByteArrayList paths;
            for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
                QByteArray p;
                in >> p;
                if (in.status() == QDataStream::Ok) paths << p;
            }
            socket->write(&kAck, 1);
            socket->flush();
            emit pathsReceived(paths);
        });
    }
}

bool SingleInstance::sendPaths(const QString& homeFolder, const QByteArrayList& paths, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    QLocalSocket socket;
    // The first process may hold the lock but not listen yet: retry for a moment.
    while (true) {
        socket.connectToServer(socketName(homeFolder));
        if (socket.waitForConnected(100)) break;
        if (clock.elapsed() > timeoutMs) return false;
        QThread::msleep(20);
    }
    socket.write(encodeMessage(paths));
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    while (socket.bytesAvailable() < 1) {
        const int left = timeoutMs - int(clock.elapsed());
        if (left <= 0 || !socket.waitForReadyRead(left)) return false;
    }
    char ack = 0;
    return socket.read(&ack, 1) == 1 && ack == kAck;
}
