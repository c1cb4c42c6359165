#include "PacedOutput.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr int kMinRate = 8000;
constexpr int kMaxRate = 384000;
constexpr int kFallbackRate = 44100;
// After a stall longer than this (a suspended machine, a debugger) the clock
// restarts from now instead of rendering the missed time in a burst.
constexpr auto kMaxLag = std::chrono::milliseconds(200);

} // namespace

PacedOutput::PacedOutput(Pacing pacing, int blockMs)
    : pacing_(pacing), blockMs_(std::clamp(blockMs, 1, 100)) {}

PacedOutput::~PacedOutput() {
    // Derived destructors have closed their sinks; only the thread may remain.
    running_.store(false, std::memory_order_release);
    if (thread_.joinable()) thread_.join();
}

bool PacedOutput::open(int preferredRate, RenderCallback render) {
    close();
    if (!render) return false;
    const int rate = preferredRate >= kMinRate && preferredRate <= kMaxRate ? preferredRate : kFallbackRate;
    if (!openSink(rate)) return false;
    rate_ = rate;
    blockFrames_ = std::max(1, rate * blockMs_ / 1000);
    block_.assign(2 * static_cast<std::size_t>(blockFrames_), 0.0f);
    render_ = std::move(render);
    framesWritten_.store(0, std::memory_order_release);
    healthy_.store(true, std::memory_order_release);
    open_ = true;
    return true;
}

void PacedOutput::start() {
    if (!open_ || running_.load(std::memory_order_acquire) || !healthy()) return;
    if (thread_.joinable()) thread_.join(); // a thread that ended on its own (sink broke)
    running_.store(true, std::memory_order_release);
    if (pacing_ != Pacing::Manual) thread_ = std::thread([this] { run(); });
}

void PacedOutput::stop() {
    running_.store(false, std::memory_order_release);
    if (thread_.joinable()) thread_.join();
}

void PacedOutput::close() {
    if (!open_) return;
    stop();
    closeSink();
    render_ = nullptr;
    open_ = false;
}

std::int64_t PacedOutput::latencyFrames() const {
    // A block is "being heard" while the thread sleeps through its duration.
    const bool realTime = pacing_ == Pacing::RealTime && running_.load(std::memory_order_acquire);
    return (realTime ? blockFrames_ : 0) + extraLatencyFrames();
}

int PacedOutput::pump(int frames) {
    if (pacing_ != Pacing::Manual || !running_.load(std::memory_order_acquire)) return 0;
    int done = 0;
    while (done < frames && healthy()) {
        const int n = std::min(blockFrames_, frames - done);
        if (!renderBlock(n)) break;
        done += n;
    }
    return done;
}

bool PacedOutput::renderBlock(int frames) {
    if (!healthy()) return false;
    render_(block_.data(), frames);
    if (!consume(block_.data(), frames)) {
        markUnhealthy();
        return false;
    }
    framesWritten_.fetch_add(frames, std::memory_order_acq_rel);
    return true;
}

void PacedOutput::run() {
    using Clock = std::chrono::steady_clock;
    const auto blockDuration = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(double(blockFrames_) / rate_));
    auto due = Clock::now();
    while (running_.load(std::memory_order_acquire)) {
        if (!renderBlock(blockFrames_)) break;
        if (pacing_ != Pacing::RealTime) continue;
        due += blockDuration;
        const auto now = Clock::now();
        if (now - due > kMaxLag) due = now;
        std::this_thread::sleep_until(due);
    }
}
