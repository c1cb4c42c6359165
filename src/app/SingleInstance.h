#pragma once
// One player per user and home folder. A lock file decides which process is
// the first (it survives crashes: a stale lock of a dead process is taken
// over); the first listens on a user-only local socket, and a later start
// hands its paths over there and ends.
#include <QByteArrayList>
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <memory>

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
    // and waits for its acknowledgement. False when nobody answered in time.
    static bool sendPaths(const QString& homeFolder, const QByteArrayList& paths, int timeoutMs = 3000);

    // The socket name and lock file of a home folder, unique per user.
    static QString socketName(const QString& homeFolder);
    static QString lockPath(const QString& homeFolder);

  signals:
    void pathsReceived(const QByteArrayList& paths);

  private:
    void acceptConnection();

    QString home_;
    QString failure_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};
