#pragma once
#include <QByteArray>
#include <QByteArrayList>
#include <QFuture>
#include <QFutureWatcher>
#include <QObject>

// Walks a folder on the application's thread pool and hands the files it finds to the object's own
// thread in batches, in walk order, so that a large tree or a slow disk never freezes the windows.
// A batch goes out every 50 ms of walking (or at 5,000 files), and once more at the end.
class FolderScanJob : public QObject {
    Q_OBJECT
  public:
    FolderScanJob(QByteArray folder, QByteArray mask, bool recurse, QObject* parent = nullptr);
    // Stops the walk and waits for it; batches not yet delivered are dropped.
    ~FolderScanJob() override;

    void start();
    // Asks the walk to end at the entry it is at; finished() still follows.
    void cancel() { walk_.cancel(); }

  signals:
    void filesFound(const QByteArrayList& paths);
    void finished();

  private:
    QByteArray folder_, mask_;
    bool recurse_;
    bool started_ = false;
    QFuture<QByteArrayList> walk_;
    QFutureWatcher<QByteArrayList> watcher_;
};
