#pragma once
// One player per user and home folder. A lock file decides which process is
// the first (it survives crashes: a stale lock of a dead process is taken
// over); the first listens on a user-only local socket, and a later start
// hands its paths over there and ends. Both live in the user's private folder,
// and a lock, a socket or a peer of another user is never trusted.
#include <QByteArrayList>
#include <QLockFile>
#include <QObject>
#include <memory>

class QSocketNotifier;

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    explicit SingleInstance(const QString& homeFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Claim {
        First,   // no other player of this home runs: this one accepts hand-offs
        Another, // another player holds the lock: hand the paths over to it
        Failed,  // the lock or the socket could not be set up: failure() says why
    };
    Claim claim();
    QString failure() const { return failure_; }

    // Delivers paths (file-name bytes, already absolute) to the first process
    // and waits for its acknowledgement. False when nobody of this user answered in time.
    static bool sendPaths(const QString& homeFolder, const QByteArrayList& paths, int timeoutMs = 3000);

    // The socket and lock file of a home folder in the user's private folder; empty when there is
    // no private folder to be trusted.
    static QString socketPath(const QString& homeFolder);
    static QString lockPath(const QString& homeFolder);

    // A hand-off is a command line: a message above these is refused unread.
    static constexpr qint64 kMaxMessageBytes = 1 << 20;
    static constexpr quint32 kMaxPaths = 10000;

  signals:
    // Emitted inside the connection's handler: a receiver must not wait there (no dialogs), as the
    // connection may close and go away meanwhile.
    void pathsReceived(const QByteArrayList& paths);

  private:
    class Connection;
    void acceptConnections();
    Claim fail(const QString& why);

    QString home_;
    QString failure_;
    std::unique_ptr<QLockFile> lock_;
    int listener_ = -1;
    QSocketNotifier* listening_ = nullptr;
};
