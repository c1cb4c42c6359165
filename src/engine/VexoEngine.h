#pragma once
// The player's own engine: the native decoders (MP3, FLAC, Vorbis), FFmpeg as an optional module
// for every other format, and plug-in decoders, played through one AudioOutput.
//
// Threads: every public method runs on the GUI thread (see AudioEngine.h).
// Besides it there are the output's audio thread, which only runs
// Mixer::render, a short-lived thread per opening stream (StreamOpening.h),
// one DecoderThread, which attaches opened streams, decodes ahead, seeks,
// calls end syncs and closes freed streams, and the OutputSupervisor's thread,
// which alone waits for the sound server. Handle tables live on the GUI thread
// alone.

#include "AudioEngine.h"
#include "DecoderThread.h"
#include "Mixer.h"
#include "OutputSupervisor.h"
#include "PluginRegistry.h"
#include "Spectrum.h"
#include "Stream.h"
#include "StreamOpening.h"
#include "WakeSignal.h"

#include <memory>
#include <string>
#include <unordered_map>

class VexoEngine : public AudioEngine {
  public:
    VexoEngine();
    ~VexoEngine() override;

    bool openOutput(int sampleRate) override;
    void setDecodeAhead(int milliseconds) override;
    void closeOutput() override;
    int deviceCount() override { return output().deviceCount(); }
    void notifyOutputFailure(std::function<void(const std::string& why)> report) override {
        output().notifyFailure(std::move(report));
    }
    std::optional<std::string> loadPlugin(const std::string& path) override { return plugins_->load(path); }

    StreamHandle Create(const std::string& path) override;
    std::optional<StreamFacts> readFileFacts(const std::string& path) override;
    std::optional<StreamFacts> readFileFacts(const std::string& path, FactsRead& why) override;
    StreamHandle Open(const std::string& path) override;
    StreamHandle OpenFollower(StreamHandle playing, const std::string& path) override;
    bool isOpen(StreamHandle h) override;
    SyncHandle notifyWhenOpen(StreamHandle h, std::function<void()> callback) override;
    bool tookOver(StreamHandle follower) override;
    void Play(StreamHandle h) override;
    void Pause(StreamHandle h) override;
    void Stop(StreamHandle h) override;
    void ChannelFree(StreamHandle h) override;
    bool IsActiveChannel(StreamHandle h) override;

    void SetPosition(StreamHandle h, std::int64_t bytePos) override;
    std::int64_t heardPosition(StreamHandle h) override;
    std::int64_t SecToByte(StreamHandle h, double seconds) override;
    std::int64_t GetLength(StreamHandle h) override;
    std::int64_t GetAllTime(StreamHandle h) override;
    std::int64_t CurTime(StreamHandle h) override;
    std::int64_t CurTimeRevers(StreamHandle h) override;
    std::uint32_t GetBitrate(StreamHandle h) override;
    std::optional<ChannelInfo> streamInfo(StreamHandle h) override;
    bool readSpectrum(StreamHandle h, float* bins) override;

    void SetVolume(StreamHandle h, int percent) override;
    void setPan(StreamHandle h, float pan) override;

    std::optional<std::string> TagTitle(StreamHandle h) override { return tag(h, TagKey::Title); }
    std::optional<std::string> TagArtist(StreamHandle h) override { return tag(h, TagKey::Artist); }
    std::optional<std::string> TagAlbum(StreamHandle h) override { return tag(h, TagKey::Album); }
    std::optional<std::string> TagTrack(StreamHandle h) override { return tag(h, TagKey::Track); }
    std::optional<std::string> TagGenre(StreamHandle h) override { return tag(h, TagKey::Genre); }
    std::optional<std::string> TagYear(StreamHandle h) override { return tag(h, TagKey::Year); }
    std::optional<std::string> TagComment(StreamHandle h) override { return tag(h, TagKey::Comment); }
    std::optional<CoverArt> TagPicture(StreamHandle h) override;

    SyncHandle notifyAtEnd(StreamHandle h, EndCallback callback) override;

    FxHandle addEffect(StreamHandle h, FxType type, int priority) override;
    void removeEffect(StreamHandle h, FxHandle fx) override;
    bool setEffectParameters(FxHandle fx, const ParamEqParams& params) override;
    std::optional<ParamEqParams> effectParameters(FxHandle fx) override;

  private:
    enum class State { Stopped, Playing, Paused };
    struct Entry {
        std::shared_ptr<Stream> stream;
        State state = State::Stopped;
        bool handedOver = false;  // the decoder thread knows it
        StreamHandle follows = 0; // the stream it joins after, until it took over
        StreamHandle follower = 0;
        bool joinSeen = false;
    };
    struct Effect {
        StreamHandle stream = 0;
        int band = -1;
        ParamEqParams params;
    };

    // The stream, brought up to date with a takeover the mixer made.
    Entry* find(StreamHandle h);
    // Its facts, once its file is open.
    const StreamFacts* facts(StreamHandle h);
    StreamHandle makeStream(std::shared_ptr<Stream> stream, int deadlineMs);
    // Starts an opened stream for the output now open; false without an output.
    bool handOver(Entry& e);
    void startOpening(Entry& e, int deadlineMs);
    // Breaks the link between a stream and its follower.
    void unlink(StreamHandle h, Entry& e);
    std::optional<std::string> tag(StreamHandle h, TagKey key);
    // The output of this run, made on first use; "auto" is settled then.
    OutputSupervisor& output();
    // The sound server went away: the streams go on from where they were heard, on a new output.
    void reconnectOutput();
    // A control of the stream changed: what the output queues is made again (decoder thread).
    void requestRewrite(const Entry& e);
    // Source frames heard so far, and the byte size of one source frame.
    std::int64_t positionFrames(const Stream& s) const;
    static std::int64_t frameBytes(const Stream& s) { return std::int64_t{2} * s.facts.channels; }
    std::uint32_t nextHandle() { return ++lastHandle_; }

    int aheadMs_ = 500;
    bool initialised_ = false;

    // Shared with opening threads, which may outlive the engine.
    const std::shared_ptr<WakeSignal> wake_ = std::make_shared<WakeSignal>();
    Mixer mixer_{*wake_};
    std::unique_ptr<OutputSupervisor> output_;
    std::unique_ptr<DecoderThread> decoderThread_;
    const std::shared_ptr<PluginRegistry> plugins_ = std::make_shared<PluginRegistry>();
    Spectrum spectrum_;

    std::uint32_t lastHandle_ = 0; // shared by all handle kinds, so kinds never mix up
    std::unordered_map<StreamHandle, Entry> streams_;
    std::unordered_map<FxHandle, Effect> effects_;
    std::unordered_map<SyncHandle, StreamHandle> syncs_;
};
