#include "FakeEngine.h"

#include <algorithm>

#include <sys/stat.h>

namespace {
// 16-bit stereo at the track's rate.
std::int64_t bytesPerSecond(const FakeTrack& t) {
    return std::int64_t(t.sampleRate) * 4;
}
std::string num(std::int64_t v) {
    return std::to_string(v);
}
} // namespace

const FakeTrack* FakeEngine::track(StreamHandle h) const {
    auto s = streams.find(h);
    if (s == streams.end()) return nullptr;
    auto f = files.find(s->second.path);
    return f == files.end() ? nullptr : &f->second;
}

void FakeEngine::finishTrack(StreamHandle h, EndReason reason) {
    auto s = streams.find(h);
    if (s == streams.end()) return;
    s->second.playing = false;
    s->second.ended = true;
    // Its follower, when it opened, starts at the next sample.
    for (auto& [handle, follower] : streams)
        if (follower.follows == h && !follower.missing && files.count(follower.path))
            follower.playing = follower.joined = true;
    auto callbacks = s->second.endCallbacks; // a callback may free the stream
    for (auto& cb : callbacks)
        cb(reason);
}

int FakeEngine::createCount(const std::string& path) const {
    return int(std::count(calls.begin(), calls.end(), "Create " + path));
}

bool FakeEngine::openOutput(int sampleRate) {
    record("openOutput " + num(sampleRate));
    return devices > 0;
}
void FakeEngine::setDecodeAhead(int milliseconds) {
    record("setDecodeAhead " + num(milliseconds));
}
void FakeEngine::closeOutput() {
    record("closeOutput");
    streams.clear();
}
int FakeEngine::deviceCount() {
    return devices;
}
std::optional<std::string> FakeEngine::loadPlugin(const std::string& path) {
    record("loadPlugin " + path);
    return std::nullopt;
}

StreamHandle FakeEngine::Create(const std::string& path) {
    record("Create " + path);
    if (!files.count(path)) return 0;
    StreamHandle h = nextHandle_++;
    streams[h].path = path;
    return h;
}

StreamHandle FakeEngine::Open(const std::string& path) {
    // As the engine does on its own thread: a path where no file stands is never opened.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode)) return Create(path);
    StreamHandle h = nextHandle_++;
    streams[h].path = path;
    streams[h].missing = true;
    return h;
}

StreamHandle FakeEngine::OpenFollower(StreamHandle playing, const std::string& path) {
    if (!streams.count(playing)) return 0;
    const StreamHandle h = Open(path);
    if (h != 0) streams[h].follows = playing;
    return h;
}

bool FakeEngine::tookOver(StreamHandle follower) {
    auto s = streams.find(follower);
    return s != streams.end() && s->second.joined;
}

std::optional<StreamFacts> FakeEngine::readFileFacts(const std::string& path) {
    {
        std::lock_guard lock(factReadsLock_);
        ++factReads_[path];
    }
    const auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    const FakeTrack& t = it->second;
    StreamFacts facts;
    facts.sampleRate = t.sampleRate;
    facts.channels = 2;
    facts.lengthFrames = t.lengthSeconds * t.sampleRate;
    facts.bitrateKbps = t.bitrateKbps;
    facts.tags = {t.title, t.artist, t.album, t.track, t.genre, t.year, t.comment};
    return facts;
}

int FakeEngine::factReadCount(const std::string& path) const {
    std::lock_guard lock(factReadsLock_);
    const auto it = factReads_.find(path);
    return it == factReads_.end() ? 0 : it->second;
}

void FakeEngine::Play(StreamHandle h) {
    record("Play " + num(h));
    if (auto s = streams.find(h); s != streams.end()) {
        s->second.playing = true;
        s->second.paused = false;
        s->second.ended = false;
    }
}

void FakeEngine::Pause(StreamHandle h) {
    record("Pause " + num(h));
    if (auto s = streams.find(h); s != streams.end() && !s->second.ended) {
        s->second.paused = !s->second.paused;
        s->second.playing = !s->second.paused;
    }
}

void FakeEngine::Stop(StreamHandle h) {
    record("Stop " + num(h));
    if (auto s = streams.find(h); s != streams.end()) s->second.playing = s->second.paused = false;
}

void FakeEngine::ChannelFree(StreamHandle h) {
    record("ChannelFree " + num(h));
    streams.erase(h);
    for (auto it = fxOwner_.begin(); it != fxOwner_.end();) {
        if (it->second == h) {
            effects.erase(it->first);
            it = fxOwner_.erase(it);
        } else {
            ++it;
        }
    }
}

bool FakeEngine::IsActiveChannel(StreamHandle h) {
    auto s = streams.find(h);
    return s != streams.end() && s->second.playing;
}

void FakeEngine::SetPosition(StreamHandle h, std::int64_t bytePos) {
    record("SetPosition " + num(h) + " " + num(bytePos));
    if (streams.count(h)) position = bytePos;
}

std::int64_t FakeEngine::heardPosition(StreamHandle h) {
    return streams.count(h) ? position : 0;
}

std::int64_t FakeEngine::SecToByte(StreamHandle h, double seconds) {
    const FakeTrack* t = track(h);
    return t ? std::int64_t(seconds * double(bytesPerSecond(*t))) & ~std::int64_t(3) : 0;
}

std::int64_t FakeEngine::GetLength(StreamHandle h) {
    const FakeTrack* t = track(h);
    return t ? t->lengthSeconds * bytesPerSecond(*t) : 0;
}

std::int64_t FakeEngine::GetAllTime(StreamHandle h) {
    record("GetAllTime " + num(h));
    const FakeTrack* t = track(h);
    return t ? t->lengthSeconds : 0;
}

std::int64_t FakeEngine::CurTime(StreamHandle h) {
    const FakeTrack* t = track(h);
    return t ? position / bytesPerSecond(*t) : 0;
}

std::int64_t FakeEngine::CurTimeRevers(StreamHandle h) {
    const FakeTrack* t = track(h);
    return t ? std::max<std::int64_t>(0, t->lengthSeconds - CurTime(h)) : 0;
}

std::uint32_t FakeEngine::GetBitrate(StreamHandle h) {
    const FakeTrack* t = track(h);
    return t ? t->bitrateKbps : 0;
}

std::optional<ChannelInfo> FakeEngine::streamInfo(StreamHandle h) {
    const FakeTrack* t = track(h);
    if (!t) return std::nullopt;
    return ChannelInfo{t->sampleRate, 2, "fake"};
}

bool FakeEngine::readSpectrum(StreamHandle h, float* bins) {
    if (!IsActiveChannel(h) || !bins) return false;
    std::fill(bins, bins + kFftBins, 0.5f);
    return true;
}

void FakeEngine::SetVolume(StreamHandle h, int percent) {
    record("SetVolume " + num(h) + " " + num(percent));
    if (auto s = streams.find(h); s != streams.end()) s->second.volume = std::clamp(percent, 0, 100);
}

void FakeEngine::setPan(StreamHandle h, float pan) {
    record("setPan " + num(h) + " " + std::to_string(pan));
    if (auto s = streams.find(h); s != streams.end()) s->second.pan = pan;
}

#define FAKE_TAG(Name, field)                                                                                \
    std::optional<std::string> FakeEngine::Name(StreamHandle h) {                                            \
        const FakeTrack* t = track(h);                                                                       \
        return t ? t->field : std::nullopt;                                                                  \
    }
FAKE_TAG(TagTitle, title)
FAKE_TAG(TagArtist, artist)
FAKE_TAG(TagAlbum, album)
FAKE_TAG(TagTrack, track)
FAKE_TAG(TagGenre, genre)
FAKE_TAG(TagYear, year)
FAKE_TAG(TagComment, comment)
#undef FAKE_TAG

SyncHandle FakeEngine::notifyAtEnd(StreamHandle h, EndCallback callback) {
    record("notifyAtEnd " + num(h));
    auto s = streams.find(h);
    if (s == streams.end()) return 0;
    if (s->second.missing) callback(EndReason::Missing);
    s->second.endCallbacks.push_back(std::move(callback));
    return nextHandle_++;
}

FxHandle FakeEngine::addEffect(StreamHandle h, FxType, int priority) {
    record("addEffect " + num(h) + " " + num(priority));
    if (!streams.count(h)) return 0;
    FxHandle fx = nextHandle_++;
    effects[fx] = ParamEqParams{};
    fxOwner_[fx] = h;
    return fx;
}

void FakeEngine::removeEffect(StreamHandle h, FxHandle fx) {
    record("removeEffect " + num(h) + " " + num(fx));
    if (auto o = fxOwner_.find(fx); o != fxOwner_.end() && o->second == h) {
        fxOwner_.erase(o);
        effects.erase(fx);
    }
}

bool FakeEngine::setEffectParameters(FxHandle fx, const ParamEqParams& params) {
    auto e = effects.find(fx);
    if (e == effects.end()) return false;
    e->second = params;
    return true;
}

std::optional<ParamEqParams> FakeEngine::effectParameters(FxHandle fx) {
    auto e = effects.find(fx);
    if (e == effects.end()) return std::nullopt;
    return e->second;
}
