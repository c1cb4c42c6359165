#include "VexoEngine.h"
#include "Log.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

namespace {

// A stream's opening thread decodes this much before the stream reaches the
// mixer, so the first output block already has audio.
constexpr int kPrefillMs = 100;
constexpr int kMinAheadMs = 100;
constexpr int kMaxAheadMs = 10000;

std::string outputSpecFromEnvironment() {
    const char* choice = std::getenv("VEXO_AUDIO");
    return choice && *choice ? choice : "auto";
}

} // namespace

VexoEngine::VexoEngine() = default;

VexoEngine::~VexoEngine() {
    closeOutput();
}

OutputSupervisor& VexoEngine::output() {
    if (!output_) output_ = std::make_unique<OutputSupervisor>(mixer_, outputSpecFromEnvironment());
    return *output_;
}

bool VexoEngine::openOutput(int sampleRate) {
    if (initialised_) return output().usable();
    initialised_ = true;
    OutputSupervisor& out = output();
    decoderThread_ = std::make_unique<DecoderThread>(
        mixer_, *wake_, [&out] { return out.asleep(); }, [&out] { out.rewrite(); }, [&out] { out.wake(); });
    // The output rewrites only when the decoder thread asks it to, with the rings full.
    return out.open(sampleRate > 0 ? sampleRate : 44100, [this](int frames) {
        const int back = mixer_.rewind(frames);
        if (back > 0) decoderThread_->refill();
        return back;
    });
}

void VexoEngine::setDecodeAhead(int milliseconds) {
    aheadMs_ = std::clamp(milliseconds, kMinAheadMs, kMaxAheadMs);
}

void VexoEngine::closeOutput() {
    // The callback stops first, so nothing reads the streams while they go.
    if (output_) output_->close();
    if (decoderThread_) decoderThread_->detachAll();
    decoderThread_.reset();
    output_.reset();
    effects_.clear();
    syncs_.clear();
    streams_.clear();
    initialised_ = false;
}

void VexoEngine::reconnectOutput() {
    // What the lost output queued but never played went with it. Every stream goes on from the
    // last sample heard, so neither its position nor its sound runs backwards or skips ahead,
    // and a stream whose end was mixed but not heard is not taken for finished.
    for (auto& [handle, entry] : streams_) {
        if (!entry.handedOver || !entry.stream->isOpen()) continue;
        Stream& s = *entry.stream;
        const std::int64_t heard = positionFrames(s);
        if (s.facts.lengthFrames <= 0 || heard < s.facts.lengthFrames) s.requestSeek(heard);
    }
    output_->reconnect();
}

void VexoEngine::requestRewrite(const Entry& e) {
    // Only a stream in the mixer has audio in the queue to make again; one still opening asks for
    // it as it arrives, if it is to play (DecoderThread::attachReady).
    if (decoderThread_ && output_->rewindFrames() > 0 &&
        e.stream->phase.load(std::memory_order_acquire) == StreamPhase::Attached)
        decoderThread_->requestRewrite();
}

VexoEngine::Entry* VexoEngine::find(StreamHandle h) {
    auto it = streams_.find(h);
    if (it == streams_.end()) return nullptr;
    Entry& e = it->second;
    // The mixer started a follower by itself: from now on it plays as if Play had started it.
    if (e.follows != 0 && !e.joinSeen && e.stream->joined.load(std::memory_order_acquire)) {
        e.joinSeen = true;
        e.state = State::Playing;
    }
    return &e;
}

const StreamFacts* VexoEngine::facts(StreamHandle h) {
    Entry* e = find(h);
    return e && e->stream->isOpen() ? &e->stream->facts : nullptr;
}

std::optional<StreamFacts> VexoEngine::readFileFacts(const std::string& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kOpenTimeLimitMs);
    const std::unique_ptr<Decoder> decoder = openDecoder(*plugins_, path, deadline);
    if (!decoder) return std::nullopt;
    return decoder->facts();
}

std::optional<StreamFacts> VexoEngine::readFileFacts(const std::string& path, FactsRead& why) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kOpenGiveUpMs);
    // Once the read has begun nothing of the engine is used: a reader whose read hangs on a dead
    // mount may be left behind by a player that closes, and the engine go before the read returns.
    const std::shared_ptr<const PluginRegistry> plugins = plugins_;
    const std::unique_ptr<Decoder> decoder = openDecoder(*plugins, path, deadline);
    if (decoder) {
        why = FactsRead::Read;
        return decoder->facts();
    }
    why = std::chrono::steady_clock::now() >= deadline ? FactsRead::TimedOut : FactsRead::NotDecodable;
    return std::nullopt;
}

void VexoEngine::startOpening(Entry& e, int deadlineMs) {
    Stream& s = *e.stream;
    s.openDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
    int rate = 0;
    if (decoderThread_) {
        rate = output_->rate();
        s.outputRate = rate;
        if (!s.ring) {
            // Besides the audio ahead, the ring keeps what the output may ask for again.
            const int rewindFrames = output_->rewindFrames();
            s.aheadFrames = static_cast<int>(std::int64_t{aheadMs_} * rate / 1000);
            s.markCount = rewindFrames > 0 ? rewindFrames / Mixer::kSliceFrames + 2 : 0;
            if (s.markCount > 0) s.marks = std::make_unique<MixMark[]>(static_cast<std::size_t>(s.markCount));
            s.ring = std::make_unique<SpscRing>(s.aheadFrames + s.markCount * Mixer::kSliceFrames,
                                                s.markCount > 0);
        }
    }
    s.phase.store(StreamPhase::Opening, std::memory_order_release);
    ::startOpening(
        {e.stream, plugins_, wake_, rate, static_cast<int>(std::int64_t{kPrefillMs} * rate / 1000)});
    if (decoderThread_ && !e.handedOver) {
        decoderThread_->add(e.stream);
        e.handedOver = true;
    }
}

StreamHandle VexoEngine::makeStream(std::shared_ptr<Stream> stream, int deadlineMs) {
    const StreamHandle h = nextHandle();
    Entry& e = streams_.emplace(h, Entry{std::move(stream)}).first->second;
    startOpening(e, deadlineMs);
    return h;
}

StreamHandle VexoEngine::Open(const std::string& path) {
    return makeStream(std::make_shared<Stream>(path), kOpenGiveUpMs);
}

StreamHandle VexoEngine::Create(const std::string& path) {
    // Tools and tests wait here for what the player learns from its open notice.
    const int deadlineMs = kOpenTimeLimitMs;
    const StreamHandle h = makeStream(std::make_shared<Stream>(path), deadlineMs);
    const Stream& s = *find(h)->stream;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
    while (s.phase.load(std::memory_order_acquire) == StreamPhase::Opening &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (s.isOpen()) return h;
    ChannelFree(h);
    return 0;
}

StreamHandle VexoEngine::OpenFollower(StreamHandle playing, const std::string& path) {
    Entry* p = find(playing);
    if (!p || p->follower != 0 || !decoderThread_) return 0;
    auto stream = std::make_shared<Stream>(path, p->stream->controls);
    stream->sharesControls.store(true);
    stream->leaderThere.store(true);
    p->stream->sharesControls.store(true);
    Stream* raw = stream.get();
    const StreamHandle h = makeStream(std::move(stream), kOpenGiveUpMs);
    streams_.at(h).follows = playing;
    p->follower = h;
    p->stream->follower.store(raw, std::memory_order_release);
    return h;
}

bool VexoEngine::isOpen(StreamHandle h) {
    return facts(h) != nullptr;
}

SyncHandle VexoEngine::notifyWhenOpen(StreamHandle h, std::function<void()> callback) {
    Entry* e = find(h);
    if (!e || !callback) return 0;
    const SyncHandle sync = nextHandle();
    {
        std::lock_guard lock(e->stream->syncMutex);
        if (!e->stream->isOpen()) {
            e->stream->openSyncs.push_back(std::move(callback));
            return sync;
        }
    }
    callback();
    return sync;
}

bool VexoEngine::tookOver(StreamHandle follower) {
    Entry* e = find(follower);
    return e && e->follows != 0 && e->joinSeen;
}

void VexoEngine::unlink(StreamHandle h, Entry& e) {
    if (auto it = streams_.find(e.follows); e.follows != 0 && it != streams_.end()) {
        it->second.stream->follower.store(nullptr, std::memory_order_release);
        it->second.follower = 0;
    }
    e.follows = 0;
    if (auto it = streams_.find(e.follower); e.follower != 0 && it != streams_.end()) {
        e.stream->follower.store(nullptr, std::memory_order_release);
        // Nothing could start it again: audio made again keeps it playing.
        it->second.stream->leaderThere.store(false, std::memory_order_release);
        it->second.follows = 0;
        // The follower shares the effects' bands: they stay with it.
        for (auto& [fx, effect] : effects_)
            if (effect.stream == h) effect.stream = e.follower;
    }
    e.follower = 0;
}

bool VexoEngine::handOver(Entry& e) {
    if (e.handedOver) return true;
    if (!decoderThread_ || e.stream->phase.load(std::memory_order_acquire) != StreamPhase::Opened)
        return false;
    startOpening(e, kOpenGiveUpMs);
    return true;
}

void VexoEngine::Play(StreamHandle h) {
    Entry* e = find(h);
    if (!e) return;
    // The sound server went away; try again now that the user asks for sound.
    if (initialised_ && !output_->usable()) reconnectOutput();
    if (!e->handedOver && !handOver(*e)) return;
    Stream& s = *e->stream;
    if (s.ended()) s.requestSeek(0);
    e->state = State::Playing;
    s.running.store(true, std::memory_order_release);
    // Only now, with the stream running, may the output wake: an output that
    // renders faster than real time would otherwise see seconds of silence
    // before the stream starts and fall asleep again.
    output_->wake();
    requestRewrite(*e);
    decoderThread_->wake();
}

void VexoEngine::Pause(StreamHandle h) {
    Entry* e = find(h);
    if (!e) return;
    if (e->state == State::Playing && !e->stream->ended()) {
        e->state = State::Paused;
        e->stream->running.store(false, std::memory_order_release);
        requestRewrite(*e);
    } else if (e->state == State::Paused) {
        Play(h);
    }
}

void VexoEngine::Stop(StreamHandle h) {
    Entry* e = find(h);
    if (!e) return;
    e->state = State::Stopped;
    e->stream->running.store(false, std::memory_order_release);
    e->stream->requestSeek(0);
    requestRewrite(*e);
    if (e->handedOver) decoderThread_->wake();
}

void VexoEngine::ChannelFree(StreamHandle h) {
    auto it = streams_.find(h);
    if (it == streams_.end()) return;
    unlink(h, it->second);
    std::shared_ptr<Stream> s = std::move(it->second.stream);
    const bool handedOver = it->second.handedOver;
    streams_.erase(it);
    std::erase_if(effects_, [h](const auto& fx) { return fx.second.stream == h; });
    std::erase_if(syncs_, [h](const auto& sync) { return sync.second == h; });
    {
        std::lock_guard lock(s->syncMutex);
        s->freed = true;
        s->syncs.clear();
        s->openSyncs.clear();
    }
    s->running.store(false, std::memory_order_release);
    // Whatever the output already holds plays out: only the stream goes.
    if (handedOver) decoderThread_->retire(std::move(s));
}

bool VexoEngine::IsActiveChannel(StreamHandle h) {
    Entry* e = find(h);
    return e && e->state == State::Playing && e->handedOver && !e->stream->ended() && output_->usable();
}

std::int64_t VexoEngine::positionFrames(const Stream& s) const {
    const std::int64_t target = s.seekTargetFrames.load(std::memory_order_relaxed);
    if (s.appliedSerial.load(std::memory_order_acquire) != s.seekRequest.load(std::memory_order_relaxed) ||
        s.outputRate <= 0)
        return target;
    const PlayClock::Stamp stamp = s.clock.read();
    const std::int64_t notYetHeard =
        std::clamp(stamp.endFrame - output_->heardFrame(), std::int64_t{0}, stamp.renderedFrames);
    const auto heardOutputFrames = static_cast<double>(stamp.renderedFrames - notYetHeard);
    auto frames = target + static_cast<std::int64_t>(heardOutputFrames * s.facts.sampleRate / s.outputRate);
    if (s.facts.lengthFrames > 0) frames = std::min(frames, s.facts.lengthFrames);
    return frames;
}

void VexoEngine::SetPosition(StreamHandle h, std::int64_t bytePos) {
    Entry* e = find(h);
    if (!e || !e->stream->isOpen()) return;
    Stream& s = *e->stream;
    std::int64_t frames = std::max<std::int64_t>(bytePos, 0) / frameBytes(s);
    if (s.facts.lengthFrames > 0) frames = std::min(frames, s.facts.lengthFrames);
    // A stream that played to its end stays stopped where it is moved to.
    if (e->state == State::Playing && s.ended()) {
        e->state = State::Stopped;
        s.running.store(false, std::memory_order_release);
    }
    s.requestSeek(frames);
    requestRewrite(*e);
    if (e->handedOver) decoderThread_->wake();
}

std::int64_t VexoEngine::heardPosition(StreamHandle h) {
    Entry* e = find(h);
    return e && e->stream->isOpen() ? positionFrames(*e->stream) * frameBytes(*e->stream) : 0;
}

std::int64_t VexoEngine::SecToByte(StreamHandle h, double seconds) {
    const StreamFacts* f = facts(h);
    if (!f || !(seconds > 0.0)) return 0;
    return static_cast<std::int64_t>(seconds * f->sampleRate) * 2 * f->channels;
}

std::int64_t VexoEngine::GetLength(StreamHandle h) {
    const StreamFacts* f = facts(h);
    return f ? f->lengthFrames * 2 * f->channels : 0;
}

std::int64_t VexoEngine::GetAllTime(StreamHandle h) {
    const StreamFacts* f = facts(h);
    return f ? f->lengthFrames / f->sampleRate : 0;
}

std::int64_t VexoEngine::CurTime(StreamHandle h) {
    const StreamFacts* f = facts(h);
    return f ? positionFrames(*find(h)->stream) / f->sampleRate : 0;
}

std::int64_t VexoEngine::CurTimeRevers(StreamHandle h) {
    const StreamFacts* f = facts(h);
    if (!f) return 0;
    return std::max<std::int64_t>(f->lengthFrames - positionFrames(*find(h)->stream), 0) / f->sampleRate;
}

std::uint32_t VexoEngine::GetBitrate(StreamHandle h) {
    const StreamFacts* f = facts(h);
    return f ? f->bitrateKbps : 0;
}

std::optional<ChannelInfo> VexoEngine::streamInfo(StreamHandle h) {
    const StreamFacts* f = facts(h);
    if (!f) return std::nullopt;
    return ChannelInfo{f->sampleRate, f->channels, f->codec};
}

bool VexoEngine::readSpectrum(StreamHandle h, float* bins) {
    Entry* e = find(h);
    if (!e || !bins) return false;
    float samples[Spectrum::kSamples] = {};
    if (e->handedOver) {
        // The window ends at the sample being heard now, not the last one mixed.
        const Stream& s = *e->stream;
        const PlayClock::Stamp stamp = s.clock.read();
        const std::int64_t notYetHeard =
            std::clamp(stamp.endFrame - output_->heardFrame(), std::int64_t{0}, stamp.tapFrames);
        s.tap.copy(stamp.tapFrames - notYetHeard, samples, Spectrum::kSamples);
    }
    spectrum_.compute(samples, bins);
    return true;
}

void VexoEngine::SetVolume(StreamHandle h, int percent) {
    Entry* e = find(h);
    if (!e) return;
    e->stream->volume.store(std::clamp(percent, 0, 100) / 100.0f, std::memory_order_relaxed);
    requestRewrite(*e);
}

void VexoEngine::setPan(StreamHandle h, float pan) {
    Entry* e = find(h);
    if (!e || !std::isfinite(pan)) return;
    e->stream->pan.store(std::clamp(pan, -1.0f, 1.0f), std::memory_order_relaxed);
    requestRewrite(*e);
}

std::optional<std::string> VexoEngine::tag(StreamHandle h, TagKey key) {
    const StreamFacts* f = facts(h);
    return f ? f->tag(key) : std::nullopt;
}

std::optional<CoverArt> VexoEngine::TagPicture(StreamHandle h) {
    return facts(h) ? find(h)->stream->coverArt : std::nullopt;
}

SyncHandle VexoEngine::notifyAtEnd(StreamHandle h, EndCallback callback) {
    Entry* e = find(h);
    if (!e || !callback) return 0;
    const SyncHandle sync = nextHandle();
    {
        std::lock_guard lock(e->stream->syncMutex);
        e->stream->syncs.push_back({sync, std::move(callback), kNoSerial});
    }
    syncs_.emplace(sync, h);
    // A stream that already ended before the sync was set still reports it.
    if (e->handedOver) decoderThread_->wake();
    return sync;
}

FxHandle VexoEngine::addEffect(StreamHandle h, FxType type, int /*priority*/) {
    Entry* e = find(h);
    if (!e || type != FxType::ParamEq) return 0;
    const ParamEqParams params;
    const int rate = e->stream->outputRate > 0 ? e->stream->outputRate : output().rate();
    const int band = e->stream->eq.claimBand(
        PeakingCoefficients(rate, params.centerHz, params.bandwidthSemitones, params.gainDb));
    if (band < 0) return 0;
    const FxHandle fx = nextHandle();
    effects_.emplace(fx, Effect{h, band, params});
    requestRewrite(*e);
    return fx;
}

void VexoEngine::removeEffect(StreamHandle h, FxHandle fx) {
    auto it = effects_.find(fx);
    if (it == effects_.end() || it->second.stream != h) return;
    if (Entry* e = find(h)) {
        e->stream->eq.releaseBand(it->second.band);
        requestRewrite(*e);
    }
    effects_.erase(it);
}

bool VexoEngine::setEffectParameters(FxHandle fx, const ParamEqParams& params) {
    auto it = effects_.find(fx);
    if (it == effects_.end()) return false;
    if (!std::isfinite(params.centerHz) || !std::isfinite(params.bandwidthSemitones) ||
        !std::isfinite(params.gainDb) || params.centerHz <= 0.0f || params.bandwidthSemitones <= 0.0f)
        return false;
    Entry* e = find(it->second.stream);
    if (!e) return false;
    // The ranges of the classic parametric EQ effect the player was made for.
    ParamEqParams p = params;
    p.bandwidthSemitones = std::clamp(p.bandwidthSemitones, 1.0f, 36.0f);
    p.gainDb = std::clamp(p.gainDb, -15.0f, 15.0f);
    const int rate = e->stream->outputRate > 0 ? e->stream->outputRate : output().rate();
    e->stream->eq.setBand(it->second.band,
                          PeakingCoefficients(rate, p.centerHz, p.bandwidthSemitones, p.gainDb));
    it->second.params = p;
    requestRewrite(*e);
    return true;
}

std::optional<ParamEqParams> VexoEngine::effectParameters(FxHandle fx) {
    auto it = effects_.find(fx);
    if (it == effects_.end()) return std::nullopt;
    return it->second.params;
}
