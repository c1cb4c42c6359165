#pragma once
// One player per home folder. The key is a lock on a file in the home's Data folder, which every
// start of that home reaches whatever its environment says (a shell without a runtime folder, a
// runtime folder with a loose mode); the kernel frees it when its holder dies. The holder listens
// on a user-only socket in the user's private folder and writes that socket's path into the lock
// file, so a later start finds it from the lock alone, hands its paths over there and ends. A
// lock file, socket or peer of another user is never trusted.
#include <QByteArrayList>
#include <QObject>

class QSocketNotifier;

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    explicit SingleInstance(const QString& homeFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Claim {
        // No other player of this home runs: this one accepts hand-offs. failure() is set when
        // it cannot (no private folder for the socket), or when the home cannot be written at all,
        // so that this player writes nothing another could lose.
        First,
        Another, // a live player holds the lock: hand the paths over to it
        Failed,  // something that is not ours stands where the lock belongs: failure() says what
    };
    Claim claim();
    QString failure() const { return failure_; }

    enum class HandOff {
        Delivered,
        // The player holding the lock ended while we waited: claim() again makes this one First.
        OtherEnded,
        // The running player takes no paths or stopped answering: failure() says why.
        Unreachable,
    };
    // After Claim::Another: delivers paths (file-name bytes, already absolute) and waits for the
    // acknowledgement, as long as the holder of the lock lives (at most patienceMs): a busy player
    // is waited for, never taken for a dead one. Delivered paths are taken out of `paths`.
    HandOff handOver(QByteArrayList& paths, int patienceMs = 30000);

    // Delivers paths to the player named by the lock file of homeFolder, waiting at most timeoutMs
    // for each message's acknowledgement. False when nobody of this user answered in time.
    static bool sendPaths(const QString& homeFolder, const QByteArrayList& paths, int timeoutMs = 3000);

    static QString lockPath(const QString& homeFolder);
    // Where the first player of homeFolder listens: in the user's private folder; empty when there
    // is none to be trusted.
    static QString socketPath(const QString& homeFolder);

    // A hand-off is a command line: a message above these is refused unread.
    static constexpr qint64 kMaxMessageBytes = 1 << 20;
    static constexpr quint32 kMaxPaths = 10000;

  public slots:
    // Once the player closes, paths handed over could no longer be kept: a later start waits for
    // the lock instead and plays them itself.
    void stopListening();

  signals:
    // Emitted inside the connection's handler: a receiver must not wait there (no dialogs), as the
    // connection may close and go away meanwhile.
    void pathsReceived(const QByteArrayList& paths);

  private:
    class Connection;
    void acceptConnections();
    Claim fail(const QString& why);
    // As the lock's holder: listens and writes where, so a later start can find it.
    void listen();

    QString home_;
    QString failure_;
    int lockFd_ = -1;
    int listener_ = -1;
    QSocketNotifier* listening_ = nullptr;
};
