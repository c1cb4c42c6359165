#include "FolderScanJob.h"

#include "FolderScan.h"

#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

#include <chrono>
#include <utility>

namespace {

constexpr auto kBatchInterval = std::chrono::milliseconds(50);
constexpr qsizetype kBatchFiles = 5000;

void walk(QPromise<QByteArrayList>& promise, const QByteArray& folder, const QByteArray& mask, bool recurse) {
    using Clock = std::chrono::steady_clock;
    QByteArrayList batch;
    auto sent = Clock::now();
    // The stop is asked for at every entry: a close must not wait for the next matching file, which
    // in a large tree of other files may be minutes away.
    ScanFolderFiles(
        folder, mask, recurse,
        [&](const QByteArray& path) {
            batch.append(path);
            if (batch.size() >= kBatchFiles || Clock::now() - sent >= kBatchInterval) {
                promise.addResult(std::exchange(batch, {}));
                sent = Clock::now();
            }
            return true;
        },
        [&] { return promise.isCanceled(); });
    if (!batch.isEmpty()) promise.addResult(std::move(batch));
}

} // namespace

FolderScanJob::FolderScanJob(QByteArray folder, QByteArray mask, bool recurse, QObject* parent)
    : QObject(parent), folder_(std::move(folder)), mask_(std::move(mask)), recurse_(recurse) {
    connect(&watcher_, &QFutureWatcherBase::resultReadyAt, this, [this](int index) {
        if (!walk_.isCanceled()) emit filesFound(walk_.resultAt(index));
    });
    connect(&watcher_, &QFutureWatcherBase::finished, this, &FolderScanJob::finished);
}

FolderScanJob::~FolderScanJob() {
    walk_.cancel();
    walk_.waitForFinished();
}

void FolderScanJob::start() {
    if (started_) return;
    started_ = true;
    walk_ = QtConcurrent::run(walk, folder_, mask_, recurse_);
    watcher_.setFuture(walk_);
}
