#pragma once
#include <QByteArray>
#include <QByteArrayList>
#include <QObject>

#include <atomic>
#include <thread>

// Walks a folder on a worker thread and hands the files it finds to the object's own thread in
// batches, in walk order, so that a large tree or a slow disk never freezes the windows. A batch
// goes out every 50 ms of walking (or at 5,000 files), and once more at the end.
class FolderScanJob : public QObject {
    Q_OBJECT
  public:
    FolderScanJob(QByteArray folder, QByteArray mask, bool recurse, QObject* parent = nullptr);
    // Stops the walk and waits for the worker; batches not yet delivered are dropped.
    ~FolderScanJob() override;

    void start();
    // Asks the walk to end at the entry it is at; finished() still follows.
    void cancel() { stop_ = true; }

  signals:
    void filesFound(const QByteArrayList& paths);
    void finished();

  private:
    void walk();
    void deliver(QByteArrayList batch, bool last);

    QByteArray folder_, mask_;
    bool recurse_;
    std::atomic<bool> stop_{false};
    std::thread worker_;
};
