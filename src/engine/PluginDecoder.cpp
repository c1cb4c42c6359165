#include "PluginDecoder.h"

#include "PluginLibrary.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

constexpr int kPieceFrames = 4096;

const char* const kTagKeys[kTagCount] = {"title", "artist", "album", "track", "genre", "date", "comment"};

// What the plug-in's open (run on a thread of its own) hands back to the caller, unless the
// caller has given up waiting.
struct PendingOpen {
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    bool abandoned = false;
    void* state = nullptr;
    StreamFacts facts;
};

void openApart(const VexoDecoderFunctions& functions, const std::string& path,
               const std::shared_ptr<PendingOpen>& pending,
               const std::shared_ptr<std::atomic<int>>& hanging) {
    VexoDecoderInfo info{};
    void* state = functions.open(path.c_str(), &info);
    StreamFacts f;
    if (state && decoderInfoFault(info).empty()) {
        f.sampleRate = info.sampleRate;
        f.channels = info.channels;
        f.lengthFrames = info.lengthFrames > 0 ? info.lengthFrames : 0;
        f.bitrateKbps = info.bitrateKbps;
        f.codec = info.codec ? info.codec : "plugin";
        if (functions.tag) {
            for (int i = 0; i < kTagCount; ++i)
                if (const char* text = functions.tag(state, kTagKeys[i])) f.tags[i] = std::string(text);
        }
    } else if (state) {
        functions.close(state);
        state = nullptr;
    }
    std::unique_lock lock(pending->lock);
    if (pending->abandoned) {
        lock.unlock();
        if (state) functions.close(state);
        hanging->fetch_sub(1);
        return;
    }
    pending->state = state;
    pending->facts = std::move(f);
    pending->done = true;
    lock.unlock();
    pending->finished.notify_one();
}

} // namespace

std::unique_ptr<PluginDecoder> PluginDecoder::open(const VexoDecoderFunctions& functions,
                                                   const std::string& path, Deadline deadline,
                                                   std::shared_ptr<std::atomic<int>> hanging) {
    if (hanging->load() > 0) return nullptr;
    auto pending = std::make_shared<PendingOpen>();
    try {
        std::thread(openApart, functions, path, pending, hanging).detach();
    } catch (const std::system_error&) {
        return nullptr;
    }
    std::unique_lock lock(pending->lock);
    if (!pending->finished.wait_until(lock, deadline, [&] { return pending->done; })) {
        pending->abandoned = true;
        hanging->fetch_add(1);
        return nullptr;
    }
    if (!pending->state) return nullptr;
    std::unique_ptr<PluginDecoder> decoder(new PluginDecoder(functions, pending->state));
    decoder->facts_ = std::move(pending->facts);
    return decoder;
}

PluginDecoder::~PluginDecoder() {
    functions_.close(state_);
}

bool PluginDecoder::start(int outputRate) {
    const bool ok = resampler_.configure(facts_.channels, facts_.sampleRate, outputRate);
    piece_.resize(static_cast<std::size_t>(kPieceFrames) * facts_.channels);
    return ok;
}

int PluginDecoder::read(float* stereo, int frames) {
    if (piece_.empty()) return 0;
    int done = 0;
    while (done < frames) {
        done += resampler_.pull(stereo + static_cast<std::ptrdiff_t>(done) * 2, frames - done);
        if (done == frames || ended_) break;
        const int n = functions_.read(state_, piece_.data(), kPieceFrames);
        // More than asked is a decoder that has lost its way (and has written past the piece).
        failed_ = n > kPieceFrames;
        if (n <= 0 || failed_) {
            // What the resampler still holds comes out on the next pull.
            ended_ = true;
            resampler_.drain();
            done += resampler_.pull(stereo + static_cast<std::ptrdiff_t>(done) * 2, frames - done);
            break;
        }
        resampler_.push(piece_.data(), n);
    }
    return done;
}

bool PluginDecoder::seek(std::int64_t sourceFrame) {
    if (!functions_.seek || functions_.seek(state_, sourceFrame) != 0) return false;
    resampler_.clear();
    ended_ = false;
    failed_ = false;
    return true;
}
