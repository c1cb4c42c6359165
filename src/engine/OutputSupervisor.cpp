#include "OutputSupervisor.h"
#include "Log.h"

#include <algorithm>

namespace {

// Silence this long puts the output to sleep.
constexpr int kSleepAfterMs = 1500;
// How often an awake output is looked at for silence; asleep, only requests wake us.
constexpr int kAwakeCheckMs = 500;
constexpr int kAsleepCheckMs = 60000;

} // namespace

OutputSupervisor::OutputSupervisor(Mixer& mixer, std::string name)
    : mixer_(mixer), requested_(std::move(name)) {}

OutputSupervisor::~OutputSupervisor() {
    stopping_.store(true, std::memory_order_release);
    signal_.post();
    if (thread_.joinable()) thread_.join();
    close();
}

void OutputSupervisor::choose(const Lock&) {
    if (!chosen_.empty()) return;
    const OutputChoice choice = chooseAudioOutput(requested_);
    chosen_ = choice.name;
    devices_ = choice.devices;
}

int OutputSupervisor::deviceCount() {
    Lock held(lock_);
    choose(held);
    if (devices_ < 0) {
        const auto probe = makeAudioOutput(chosen_);
        devices_ = probe ? probe->deviceCount() : 0;
    }
    return devices_;
}

bool OutputSupervisor::open(int preferredRate, AudioOutput::RewindCallback rewind) {
    Lock held(lock_);
    preferredRate_ = preferredRate;
    rate_.store(preferredRate, std::memory_order_release);
    rewind_ = std::move(rewind);
    choose(held);
    const bool opened = openOutput(held);
    if (opened && devices_ < 0) devices_ = 1;
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    return opened;
}

void OutputSupervisor::close() {
    {
        std::lock_guard opening(openingLock_);
        closing_ = true;
        if (opening_) opening_->abandon();
    }
    Lock held(lock_);
    closeOutput(held);
}

bool OutputSupervisor::openOutput(const Lock& held) {
    auto out = makeAudioOutput(chosen_);
    if (!out) {
        LogWarning("there is no sound output \"" + chosen_ + "\"");
        return false;
    }
    out->setRewindCallback(rewind_);
    {
        std::lock_guard opening(openingLock_);
        if (closing_) return false;
        opening_ = out.get();
    }
    Mixer* mixer = &mixer_;
    const bool opened =
        out->open(preferredRate_, [mixer](float* buffer, int frames) { mixer->render(buffer, frames); });
    {
        std::lock_guard opening(openingLock_);
        opening_ = nullptr;
        // Given up for the close: nothing failed that the user should hear of.
        if (closing_) return false;
    }
    if (!opened) {
        std::string why = out->failure();
        LogWarning("the sound output \"" + chosen_ + "\" could not open" + (why.empty() ? "" : ": " + why));
        if (!why.empty()) noteFailure(held, std::move(why));
        return false;
    }
    LogDebug("the sound output \"" + chosen_ + "\" is open at " + std::to_string(out->rate()) + " Hz");
    if (out->rate() > 0) rate_.store(out->rate(), std::memory_order_release);
    rewindFrames_.store(out->rewindFrames(), std::memory_order_release);
    {
        std::lock_guard publish(publishLock_);
        base_ = mixer_.framesRendered();
        published_ = out.get();
    }
    out->start();
    asleep_.store(false, std::memory_order_release);
    output_ = std::move(out);
    return true;
}

void OutputSupervisor::closeOutput(const Lock&) {
    if (output_) {
        {
            std::lock_guard publish(publishLock_);
            published_ = nullptr;
        }
        output_->stop();
        output_->close();
        output_.reset();
    }
    asleep_.store(false, std::memory_order_release);
}

void OutputSupervisor::noteFailure(const Lock& held, std::string why) {
    closeOutput(held);
    failure_ = std::move(why);
    reportWanted_ = true;
}

void OutputSupervisor::notifyFailure(std::function<void(const std::string&)> report) {
    {
        Lock held(lock_);
        report_ = std::move(report);
        reportWanted_ = !failure_.empty();
    }
    signal_.post();
}

void OutputSupervisor::wakeOutput(const Lock&) {
    if (!output_ || !asleep()) return;
    // What the device still queues is silence; dropping it lets the track start at once.
    output_->flush();
    output_->start();
    asleep_.store(false, std::memory_order_release);
}

void OutputSupervisor::sleepIfIdle(const Lock&) {
    if (!output_ || asleep()) return;
    // Long after the last audible block, so every tail has been heard.
    if (mixer_.framesSinceBusy() < std::int64_t{kSleepAfterMs} * rate() / 1000) return;
    output_->stop();
    asleep_.store(true, std::memory_order_release);
}

bool OutputSupervisor::usable() const {
    std::lock_guard publish(publishLock_);
    return published_ && published_->healthy();
}

std::int64_t OutputSupervisor::heardFrame() const {
    const std::int64_t rendered = mixer_.framesRendered();
    std::lock_guard publish(publishLock_);
    if (!published_) return rendered;
    return std::min(rendered, base_ + published_->framesWritten() - published_->latencyFrames());
}

void OutputSupervisor::wake() {
    // The stream that asked is not running yet; the output stays awake for it.
    mixer_.markBusy();
    wakeWanted_.store(true, std::memory_order_release);
    signal_.post();
}

void OutputSupervisor::reconnect() {
    reconnectWanted_.store(true, std::memory_order_release);
    signal_.post();
}

void OutputSupervisor::rewrite() {
    Lock held(lock_);
    if (output_ && !asleep()) output_->rewrite();
}

void OutputSupervisor::run() {
    while (!stopping_.load(std::memory_order_acquire)) {
        bool awake = false;
        std::function<void(const std::string&)> report;
        std::string failure;
        {
            Lock held(lock_);
            if (reconnectWanted_.exchange(false, std::memory_order_acq_rel)) {
                // Opened afresh, a recording would start over what it wrote.
                if (!failure_.empty()) {
                    reportWanted_ = true;
                } else {
                    LogWarning("the sound output \"" + chosen_ + "\" went away; opening it again");
                    closeOutput(held);
                    if (openOutput(held)) LogWarning("the sound output \"" + chosen_ + "\" is back");
                }
            }
            if (wakeWanted_.exchange(false, std::memory_order_acq_rel)) wakeOutput(held);
            if (output_ && !output_->healthy())
                if (std::string why = output_->failure(); !why.empty()) {
                    LogWarning("the sound output \"" + chosen_ + "\" failed: " + why);
                    noteFailure(held, std::move(why));
                }
            sleepIfIdle(held);
            awake = output_ && !asleep();
            if (reportWanted_ && report_) {
                reportWanted_ = false;
                report = report_;
                failure = failure_;
            }
        }
        if (report) report(failure);
        signal_.wait(awake ? kAwakeCheckMs : kAsleepCheckMs);
    }
}
