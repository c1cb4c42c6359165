#include "FolderScanJob.h"

#include "FolderScan.h"

#include <QMetaObject>
#include <QPointer>

#include <chrono>
#include <utility>

namespace {
constexpr auto kBatchInterval = std::chrono::milliseconds(50);
constexpr qsizetype kBatchFiles = 5000;
} // namespace

FolderScanJob::FolderScanJob(QByteArray folder, QByteArray mask, bool recurse, QObject* parent)
    : QObject(parent), folder_(std::move(folder)), mask_(std::move(mask)), recurse_(recurse) {}

FolderScanJob::~FolderScanJob() {
    stop_ = true;
    if (worker_.joinable()) worker_.join();
}

void FolderScanJob::start() {
    if (worker_.joinable()) return;
    worker_ = std::thread([this] { walk(); });
}

void FolderScanJob::walk() {
    using Clock = std::chrono::steady_clock;
    QByteArrayList batch;
    auto sent = Clock::now();
    // The stop is asked for at every entry: a close must not wait for the next matching file, which
    // in a large tree of other files may be minutes away.
    ScanFolderFiles(
        folder_, mask_, recurse_,
        [&](const QByteArray& path) {
            batch.append(path);
            if (batch.size() >= kBatchFiles || Clock::now() - sent >= kBatchInterval) {
                deliver(std::exchange(batch, {}), false);
                sent = Clock::now();
            }
            return true;
        },
        [this] { return stop_.load(); });
    deliver(std::move(batch), true);
}

void FolderScanJob::deliver(QByteArrayList batch, bool last) {
    // Queued to the job's own thread; a job deleted meanwhile receives nothing (its destructor joins
    // this thread first, and the queued calls die with the object).
    QMetaObject::invokeMethod(
        this,
        [this, batch = std::move(batch), last] {
            if (!batch.isEmpty() && !stop_) emit filesFound(batch);
            if (last) emit finished();
        },
        Qt::QueuedConnection);
}
