#include "OutputAlsa.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr unsigned kPeriodUs = 20000;
constexpr unsigned kBufferUs = 80000;
constexpr int kWaitMs = 100;
// A device that takes nothing for this long has gone (a dead sound server
// behind the pulse plug-in never reports an error, it only stops draining).
constexpr int kGoneAfterMs = 2000;

// alsa-lib prints every failed probe to stderr; a missing device is an
// ordinary answer here, reported through deviceCount() and open().
void quiet(const char*, int, const char*, int, const char*, ...) {}

// ALSA reads its configuration once per process, and its choice of what "default" means is made
// then: the pulse plug-in's hook routes "default" to the sound server only if one ran at that
// moment. Forgetting the cached tree before each open lets a server that started (or went) since
// be seen. Open devices keep their own reference, so this is safe while one plays.
int openPcm(snd_pcm_t** pcm, const std::string& device) {
    snd_config_update_free_global();
    return snd_pcm_open(pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
}

std::int16_t toPcm16(float x) {
    if (!(x == x)) return 0;
    return static_cast<std::int16_t>(std::lrint(std::clamp(x * 32768.0f, -32768.0f, 32767.0f)));
}

} // namespace

OutputAlsa::OutputAlsa(std::string device) : device_(std::move(device)) {
    snd_lib_error_set_handler(quiet);
}

OutputAlsa::~OutputAlsa() {
    close();
}

bool OutputAlsa::open(int preferredRate, RenderCallback render) {
    close();
    if (!render) return false;
    if (openPcm(&pcm_, device_) < 0) {
        pcm_ = nullptr;
        healthy_.store(false, std::memory_order_release);
        return false;
    }
    if (!configure(preferredRate)) {
        snd_pcm_close(pcm_);
        pcm_ = nullptr;
        healthy_.store(false, std::memory_order_release);
        return false;
    }
    render_ = std::move(render);
    block_.assign(2 * static_cast<std::size_t>(periodFrames_), 0.0f);
    pcm16_.assign(floatSamples_ ? 0 : 2 * static_cast<std::size_t>(periodFrames_), 0);
    latency_.setRate(rate_);
    latency_.clear();
    framesWritten_.store(0, std::memory_order_release);
    healthy_.store(true, std::memory_order_release);
    paused_ = false;
    return true;
}

bool OutputAlsa::configure(int preferredRate) {
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    if (snd_pcm_hw_params_any(pcm_, hw) < 0) return false;
    if (snd_pcm_hw_params_set_access(pcm_, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0) return false;
    floatSamples_ = snd_pcm_hw_params_set_format(pcm_, hw, SND_PCM_FORMAT_FLOAT_LE) == 0;
    if (!floatSamples_ && snd_pcm_hw_params_set_format(pcm_, hw, SND_PCM_FORMAT_S16_LE) < 0) return false;
    if (snd_pcm_hw_params_set_channels(pcm_, hw, 2) < 0) return false;
    unsigned rate = unsigned(std::clamp(preferredRate, 8000, 384000));
    if (snd_pcm_hw_params_set_rate_near(pcm_, hw, &rate, nullptr) < 0) return false;
    unsigned periodUs = kPeriodUs;
    unsigned bufferUs = kBufferUs;
    snd_pcm_hw_params_set_period_time_near(pcm_, hw, &periodUs, nullptr);
    snd_pcm_hw_params_set_buffer_time_near(pcm_, hw, &bufferUs, nullptr);
    if (snd_pcm_hw_params(pcm_, hw) < 0) return false;

    snd_pcm_uframes_t period = 0;
    snd_pcm_uframes_t buffer = 0;
    if (snd_pcm_hw_params_get_period_size(hw, &period, nullptr) < 0 || period == 0) return false;
    if (snd_pcm_hw_params_get_buffer_size(hw, &buffer) < 0 || buffer < period) return false;
    canPause_ = snd_pcm_hw_params_can_pause(hw) == 1;
    rate_ = int(rate);
    periodFrames_ = long(period);

    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    if (snd_pcm_sw_params_current(pcm_, sw) < 0) return false;
    snd_pcm_sw_params_set_avail_min(pcm_, sw, period);
    // Start with a full buffer: the whole of it is the margin against a late wake-up.
    snd_pcm_sw_params_set_start_threshold(pcm_, sw, buffer - buffer % period);
    if (snd_pcm_sw_params(pcm_, sw) < 0) return false;
    return snd_pcm_prepare(pcm_) == 0;
}

void OutputAlsa::start() {
    if (!pcm_ || running_.load(std::memory_order_acquire) || !healthy()) return;
    if (thread_.joinable()) thread_.join(); // ended on its own when the device went away
    if (paused_) {
        paused_ = false;
        if (snd_pcm_pause(pcm_, 0) < 0) {
            snd_pcm_drop(pcm_);
            snd_pcm_prepare(pcm_);
        }
    } else if (snd_pcm_state(pcm_) != SND_PCM_STATE_PREPARED &&
               snd_pcm_state(pcm_) != SND_PCM_STATE_RUNNING) {
        snd_pcm_prepare(pcm_);
    }
    running_.store(true, std::memory_order_release);
    thread_ = std::thread([this] { run(); });
}

void OutputAlsa::stop() {
    running_.store(false, std::memory_order_release);
    if (thread_.joinable()) thread_.join();
    if (!pcm_ || paused_ || !healthy()) return;
    // Pausing keeps what is queued, so nothing is skipped on resume; devices
    // that cannot pause lose it.
    if (canPause_ && snd_pcm_state(pcm_) == SND_PCM_STATE_RUNNING && snd_pcm_pause(pcm_, 1) == 0) {
        paused_ = true;
        return;
    }
    snd_pcm_drop(pcm_);
    latency_.clear();
}

void OutputAlsa::flush() {
    if (!pcm_) return;
    const bool wasRunning = running_.load(std::memory_order_acquire);
    stop();
    snd_pcm_drop(pcm_);
    snd_pcm_prepare(pcm_);
    paused_ = false;
    latency_.clear();
    if (wasRunning) start();
}

void OutputAlsa::close() {
    stop();
    if (pcm_) {
        snd_pcm_drop(pcm_);
        snd_pcm_close(pcm_);
        pcm_ = nullptr;
    }
    render_ = nullptr;
    paused_ = false;
    latency_.clear();
}

std::int64_t OutputAlsa::latencyFrames() const {
    // A device that went away stopped playing what it queued: the queue no longer drains.
    return latency_.estimate(running_.load(std::memory_order_acquire) && healthy());
}

int OutputAlsa::deviceCount() {
    int cards = 0;
    for (int card = -1; snd_card_next(&card) == 0 && card >= 0;)
        ++cards;
    if (cards > 0) return cards;
    if (pcm_) return healthy() ? 1 : 0;
    snd_pcm_t* probe = nullptr;
    if (openPcm(&probe, device_) < 0) return 0;
    snd_pcm_close(probe);
    return 1;
}

void OutputAlsa::run() {
    int idleMs = 0;
    while (running_.load(std::memory_order_acquire)) {
        const snd_pcm_sframes_t avail = snd_pcm_avail_update(pcm_);
        if (avail < 0) {
            if (snd_pcm_recover(pcm_, int(avail), 1) < 0) break;
            continue;
        }
        if (avail < periodFrames_) {
            const int r = snd_pcm_wait(pcm_, kWaitMs);
            if (r < 0 && snd_pcm_recover(pcm_, r, 1) < 0) break;
            idleMs = r == 0 ? idleMs + kWaitMs : 0;
            if (idleMs >= kGoneAfterMs) break;
            continue;
        }
        idleMs = 0;
        if (!writePeriod()) break;
    }
    if (running_.load(std::memory_order_acquire)) healthy_.store(false, std::memory_order_release);
}

bool OutputAlsa::writePeriod() {
    render_(block_.data(), int(periodFrames_));
    const char* data = reinterpret_cast<const char*>(block_.data());
    std::size_t frameBytes = 2 * sizeof(float);
    if (!floatSamples_) {
        for (long i = 0; i < 2 * periodFrames_; ++i)
            pcm16_[i] = toPcm16(block_[i]);
        data = reinterpret_cast<const char*>(pcm16_.data());
        frameBytes = 2 * sizeof(std::int16_t);
    }
    long left = periodFrames_;
    while (left > 0 && running_.load(std::memory_order_acquire)) {
        const snd_pcm_sframes_t n = snd_pcm_writei(pcm_, data, snd_pcm_uframes_t(left));
        if (n == -EAGAIN) {
            if (snd_pcm_wait(pcm_, kWaitMs) < 0) return false;
            continue;
        }
        if (n < 0) {
            if (snd_pcm_recover(pcm_, int(n), 1) < 0) return false;
            continue;
        }
        data += std::size_t(n) * frameBytes;
        left -= long(n);
        framesWritten_.fetch_add(n, std::memory_order_acq_rel);
    }
    publishLatency();
    return true;
}

void OutputAlsa::publishLatency() {
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(pcm_, &delay) == 0) latency_.publish(delay);
}
